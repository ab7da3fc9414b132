// Lumetta: decorate one photograph at a time.
//   lumetta [PHOTO]   opens PHOTO when the window is up
#include "ui/MainWindow.h"
#include "ui/QtTextRasterizer.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumetta"));
    QApplication::setApplicationVersion(QStringLiteral("2.3"));

    lumetta::ui::QtTextRasterizer rasterizer;
    lumetta::SetTextRasterizer(&rasterizer);

    // Qt has taken its own options out of the arguments; the first one left is the photo.
    const QStringList arguments = QApplication::arguments().mid(1);
    int result = 0;
    {
        lumetta::ui::TfrmMain window;
        window.show();
        if (!arguments.isEmpty()) {
            // Once the window is laid out, so that fitting the photo knows the view's size.
            const QString photo = arguments.first();
            QTimer::singleShot(0, &window, [&window, photo] { window.OpenGivenFile(photo); });
        }
        result = QApplication::exec();
    } // the window's destruction runs the exit sequence and writes Setup.ini
    lumetta::SetTextRasterizer(nullptr);
    return result;
}
