#ifndef TESSARO_WINDOWFIXTURE_H
#define TESSARO_WINDOWFIXTURE_H

#include "support/testenv.h"

#include <QTemporaryDir>

#include <memory>

// A main window on a fresh settings store, with a temporary folder for the test's files. Test
// classes inherit it, create the window in init() and destroy it in cleanup().
struct WindowFixture
{
    // The store, the folder and the window, not yet shown.
    void createWindow();
    // Shows the window; false when it never came on screen.
    bool showWindow();
    // The window first, then the folder and the store it used.
    void destroyWindow();

    std::unique_ptr<IsolatedSettings> store;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<MainWindow> window;
    Ui::MainWindow *ui = nullptr;
};

#endif // TESSARO_WINDOWFIXTURE_H
