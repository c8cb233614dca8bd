#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Lanternway 1.3");
    QMainWindow window;
    window.setWindowTitle("Lanternway 1.3");
    window.resize(800, 600);
    window.show();
    return app.exec();
}
