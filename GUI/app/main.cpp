// The control panel "Voxwarp".
#include <QApplication>
#include <QByteArray>

#include <cstdlib>

int main(int argc, char** argv) {
    // Window regions, self-positioning and global hot keys need X11: under Wayland the control
    // panel runs through XWayland unless the user chose a platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QApplication::setApplicationName("Voxwarp");
    return 0;
}
