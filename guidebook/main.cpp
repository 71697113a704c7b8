// guidebook: the documentation browser of the Vellum library.
//
// Qt aborts with a core dump when it finds no display to open, and its
// message speaks of platform plugins and reinstalling. Both cases a user
// meets (a shell without a desktop, --help over ssh) are settled here before
// the application object exists, and a display that still fails to open ends
// the program with a status instead of an abort.
#include "mainform.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace {

constexpr int kNoDisplay = 1;

std::string PagesFolder() {
    std::error_code failed;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", failed);
    return failed ? std::string("html/ beside the program") : (program.parent_path() / "html").string();
}

void PrintUsage() {
    std::printf(
        "usage: guidebook [-h | --help] [Qt options such as -platform NAME or -style NAME]\n"
        "\n"
        "Help Navigator, the browser of the Vellum manual: type a word and press Enter\n"
        "to list the pages that contain it, click one to read it, and use Copy Text to\n"
        "put its text on the clipboard.\n"
        "\n"
        "Pages: %s\n"
        "\n"
        "It opens a window, so it needs a display: X11 (DISPLAY) or Wayland\n"
        "(WAYLAND_DISPLAY). QT_QPA_PLATFORM=offscreen runs it without one.\n"
        "\n"
        "  -h, --help    print this text and exit\n",
        PagesFolder().c_str());
}

bool AsksForHelp(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") return true;
    }
    return false;
}

bool IsSet(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

// The value of a Qt option given as "-name VALUE" or "--name VALUE"; empty if absent.
std::string_view QtOption(int argc, char** argv, std::string_view name) {
    for (int i = 1; i + 1 < argc; ++i) {
        std::string_view argument = argv[i];
        if (argument.starts_with("--")) argument.remove_prefix(1);
        if (argument.size() == name.size() + 1 && argument.front() == '-' && argument.substr(1) == name)
            return argv[i + 1];
    }
    return {};
}

// A platform plugin name ("xcb", "wayland-egl", "offscreen") can show a
// window here. Plugins other than X11 and Wayland draw somewhere of their own
// (offscreen, minimal, vnc, the framebuffer), so choosing one is taken as
// meant.
bool PlatformUsable(std::string_view plugin, bool xDisplayGiven) {
    plugin = plugin.substr(0, plugin.find(':'));  // "xcb:option" names the plugin xcb
    if (plugin == "xcb") return xDisplayGiven || IsSet("DISPLAY");
    if (plugin.starts_with("wayland")) return IsSet("WAYLAND_DISPLAY") || IsSet("WAYLAND_SOCKET");
    return !plugin.empty();
}

// Whether Qt will find something to show the window on: the platform chosen
// by -platform or QT_QPA_PLATFORM (a list separated by ";" is tried in
// order), else X11 or Wayland.
bool DisplayAvailable(int argc, char** argv) {
    const bool xDisplayGiven = !QtOption(argc, argv, "display").empty();
    std::string_view platforms = QtOption(argc, argv, "platform");
    if (platforms.empty() && IsSet("QT_QPA_PLATFORM")) platforms = std::getenv("QT_QPA_PLATFORM");
    if (platforms.empty()) return PlatformUsable("xcb", xDisplayGiven) || PlatformUsable("wayland", false);
    while (!platforms.empty()) {
        const std::size_t end = platforms.find(';');
        if (PlatformUsable(platforms.substr(0, end), xDisplayGiven)) return true;
        platforms.remove_prefix(end == std::string_view::npos ? platforms.size() : end + 1);
    }
    return false;
}

QtMessageHandler qtHandler = nullptr;

// While the application starts, a fatal message means the display could not
// be opened after all (a DISPLAY that names no running server, a missing
// plugin): Qt has said what failed; end with a status instead of aborting.
void StartupMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    qtHandler(type, context, message);
    if (type != QtFatalMsg) return;
    std::fputs("guidebook: the display could not be opened (see above); "
               "QT_QPA_PLATFORM=offscreen runs guidebook without one\n",
               stderr);
    std::fflush(stderr);
    std::_Exit(kNoDisplay);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (AsksForHelp(argc, argv)) {
        PrintUsage();
        return 0;
    }
    if (!DisplayAvailable(argc, argv)) {
        std::fputs("guidebook: no display found: set DISPLAY (X11) or WAYLAND_DISPLAY, or run it on a "
                   "desktop (guidebook --help tells more)\n",
                   stderr);
        return kNoDisplay;
    }
    qtHandler = qInstallMessageHandler(StartupMessage);
    QApplication app(argc, argv);
    qInstallMessageHandler(qtHandler);
    QApplication::setApplicationName(QStringLiteral("guidebook"));
    vellum::TForm1 form(QApplication::applicationDirPath());
    form.show();
    return QApplication::exec();
}
