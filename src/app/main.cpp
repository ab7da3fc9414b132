// Lumetta: decorate one photograph at a time.
#include "LumettaBuild.h"
#include "base/Error.h"
#include "tools/AppPaths.h"
#include "tools/CommandLine.h"
#include "ui/ImportDialog.h"
#include "ui/MainWindow.h"
#include "ui/QtTextRasterizer.h"

#include <QApplication>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

int signalPipe[2] = {-1, -1};

void OnQuitSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

// A session ending or `kill` ends the program the normal way, through its main window, so that
// the settings and the log are written as on Exit.
void CloseOnQuitSignals(QWidget* window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
        char byte;
        [[maybe_unused]] const ssize_t got = ::read(signalPipe[1], &byte, 1);
        window->close();
    });
    struct sigaction action = {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

// Throws the usual "Cannot open file" error when the file cannot be read.
void CheckReadable(const std::string& path) {
    int error = 0;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
    } else {
        struct stat info = {};
        if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) error = EISDIR;
        ::close(fd);
    }
    if (error != 0)
        throw lumetta::EFileError("Cannot open file \"" + path + "\". " + std::strerror(error));
}

std::vector<std::string> ArgumentsOf(const QStringList& arguments) {
    std::vector<std::string> result;
    for (qsizetype i = 1; i < arguments.size(); ++i)
        result.push_back(arguments[i].toStdString());
    return result;
}

// The actions that need no window. Returns the exit status, or -1 to go on.
int RunWithoutWindow(const lumetta::TCommandLine& command) {
    using TAction = lumetta::TCommandLine::TAction;
    switch (command.Action) {
    case TAction::Help:
        std::fputs(lumetta::HelpText().c_str(), stdout);
        return 0;
    case TAction::Version:
        std::fputs(lumetta::VersionText().c_str(), stdout);
        return 0;
    case TAction::Paths: {
        std::error_code ec;
        const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
        const auto paths = lumetta::ResolveAppPaths(exe.parent_path().string());
        std::fputs(lumetta::PathsText(paths).c_str(), stdout);
        return 0;
    }
    case TAction::Error:
        std::fprintf(stderr, "lumetta: %s\nTry \"lumetta --help\" for more information.\n",
                     command.Message.c_str());
        return 2;
    case TAction::Run:
        break;
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    // Help, version and paths need no display, so they are answered before Qt starts. Qt's own
    // options are only known once QApplication has taken them out of the line.
    {
        const std::vector<std::string> raw(argv + std::min(argc, 1), argv + argc);
        const lumetta::TCommandLine early = lumetta::ParseCommandLine(raw);
        const bool anyOption = std::any_of(raw.begin(), raw.end(), [](const std::string& a) {
            return a.size() > 1 && a[0] == '-';
        });
        // A line without options is final already; one with options may hold Qt's.
        if (early.Action != lumetta::TCommandLine::TAction::Error || !anyOption) {
            const int status = RunWithoutWindow(early);
            if (status >= 0) return status;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumetta"));
    QApplication::setApplicationVersion(QLatin1String(lumetta::kLumettaVersion));
    QGuiApplication::setDesktopFileName(QLatin1String(lumetta::kDesktopId));

    const lumetta::TCommandLine command =
        lumetta::ParseCommandLine(ArgumentsOf(QCoreApplication::arguments()));
    if (const int status = RunWithoutWindow(command); status >= 0) return status;

    lumetta::ui::QtTextRasterizer rasterizer;
    lumetta::SetTextRasterizer(&rasterizer);

    int result = 0;
    {
        lumetta::ui::TfrmMain window;
        CloseOnQuitSignals(&window);
        window.show();
        if (!command.File.empty()) {
            // Launchers that pass addresses give file:// ones.
            QString given = QString::fromStdString(command.File);
            if (const QUrl url(given); url.isLocalFile()) given = url.toLocalFile();
            const QString file = QFileInfo(given).absoluteFilePath();
            QTimer::singleShot(0, &window, [&window, file] {
                if (lumetta::IsObjectPackFile(file.toStdString())) {
                    window.RunCommand([&] {
                        CheckReadable(file.toStdString());
                        if (lumetta::ui::RunImportDialog(window.DialogContext(), file))
                            window.close();
                    });
                } else {
                    window.OpenGivenFile(file);
                }
            });
        }
        result = QApplication::exec();
    } // the window's destruction runs the exit sequence and writes Setup.ini
    lumetta::SetTextRasterizer(nullptr);
    return result;
}
