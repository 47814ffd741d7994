#ifndef TESSARO_QCLICKABLELABEL_H
#define TESSARO_QCLICKABLELABEL_H

#include <QLabel>

// A label that reports mouse presses, moves and releases instead of handling them.
class QClickableLabel : public QLabel
{
    Q_OBJECT

public:
    explicit QClickableLabel(QWidget *parent = nullptr);

signals:
    void mouseMoved(QMouseEvent *event);
    void mousePressed(QMouseEvent *event);
    void mouseReleased(QMouseEvent *event);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
};

#endif // TESSARO_QCLICKABLELABEL_H
