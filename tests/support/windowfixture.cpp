#include "support/windowfixture.h"

#include <QTest>

void WindowFixture::createWindow()
{
    store = std::make_unique<IsolatedSettings>();
    dir = std::make_unique<QTemporaryDir>();
    window = std::make_unique<MainWindow>();
    ui = MainWindowProbe::ui(*window);
}

bool WindowFixture::showWindow()
{
    window->show();
    return QTest::qWaitForWindowExposed(window.get());
}

void WindowFixture::destroyWindow()
{
    window.reset();
    dir.reset();
    store.reset();
    ui = nullptr;
}
