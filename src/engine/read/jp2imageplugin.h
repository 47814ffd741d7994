#ifndef TESSARO_JP2IMAGEPLUGIN_H
#define TESSARO_JP2IMAGEPLUGIN_H

#include <QImageIOPlugin>

// Teaches QImageReader to read JPEG 2000 pictures: .jp2 files (and their .jpf/.jpx relatives
// that hold a plain codestream) and raw .j2k/.j2c codestreams, decoded with OpenJPEG. Debian's
// Qt image plug-ins have no reader for them. The plug-in is compiled into the program
// (QT_STATICPLUGIN) and registered by Q_IMPORT_PLUGIN(Jp2ImagePlugin) in a file that is surely
// linked. It recognises the pictures by their first bytes, so a file whose suffix lies still
// reads when the reader auto-detects formats.
class Jp2ImagePlugin : public QImageIOPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "jp2imageplugin.json")

public:
    Capabilities capabilities(QIODevice *device, const QByteArray &format) const override;
    QImageIOHandler *create(QIODevice *device,
                            const QByteArray &format = QByteArray()) const override;
};

#endif // TESSARO_JP2IMAGEPLUGIN_H
