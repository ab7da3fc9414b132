// Lumetta: decorate one photograph at a time.
#include "ui/MainWindow.h"
#include "ui/QtTextRasterizer.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumetta"));
    QApplication::setApplicationVersion(QStringLiteral("2.3"));

    lumetta::ui::QtTextRasterizer rasterizer;
    lumetta::SetTextRasterizer(&rasterizer);

    int result = 0;
    {
        lumetta::ui::TfrmMain window;
        window.show();
        result = QApplication::exec();
    } // the window's destruction runs the exit sequence and writes Setup.ini
    lumetta::SetTextRasterizer(nullptr);
    return result;
}
