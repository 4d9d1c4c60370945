// A native Wayland window for the KWin tests: one plain window under the app id given as the
// only argument, open until killed.

#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>

namespace {

class PlainWindow : public QRasterWindow {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(QRect(QPoint(0, 0), size()), QColor(40, 90, 160));
    }
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "wayland");
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    // The xdg app id of every window: what KWin reports as the desktop file name.
    QGuiApplication::setDesktopFileName(arguments.value(1, QStringLiteral("quorel-test-window")));
    PlainWindow window;
    window.resize(320, 200);
    window.show();
    return QGuiApplication::exec();
}
