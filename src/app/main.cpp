#include "QuorelApp.h"
#include "SymbolRenderer.h"

#include <QtQml/qqmlextensionplugin.h>
#include <QApplication>
#include <QIcon>
#include <QQuickStyle>
#include <QQuickWindow>

Q_IMPORT_QML_PLUGIN(QuorelPlugin)

int main(int argc, char* argv[]) {
    // The views are small and mostly still: the software renderer draws them without a GPU or
    // an OpenGL driver (Xvfb, virtual machines) and keeps no GL context alive. A backend chosen
    // through QT_QUICK_BACKEND still wins.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND")) {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorel"));
    QApplication::setDesktopFileName(QStringLiteral("quorel"));
    QApplication::setWindowIcon(QIcon(Quorel::symbolPath(QStringLiteral("quorel"))));
    // Windows come and go (the main window hides to the tray, the control window, the quit
    // alert); only the quit guard ends the app.
    QApplication::setQuitOnLastWindowClosed(false);
    QQuickStyle::setStyle(QStringLiteral("Basic"));

    Quorel::QuorelApp quorel;
    if (!quorel.start()) {
        return 1;
    }
    return QApplication::exec();
}
