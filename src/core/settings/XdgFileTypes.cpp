#include <cstdlib>
#include <sstream>

#include "io/AtomicWriter.h"
#include "settings/FileTypes.h"
#include "settings/SettingsFile.h"

namespace corvane {

namespace {
std::filesystem::path EnvFolder(const char* name, const char* fallback) {
    if (const char* v = std::getenv(name); v && *v) return v;
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home ? home : ".") / fallback;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

constexpr char kDesktopName[] = "corvane.desktop";
}  // namespace

std::unique_ptr<XdgFileTypes> XdgFileTypes::ForUser(std::filesystem::path programPath) {
    return std::make_unique<XdgFileTypes>(EnvFolder("XDG_DATA_HOME", ".local/share"),
                                          EnvFolder("XDG_CONFIG_HOME", ".config"),
                                          std::move(programPath));
}

ExtensionBoxes XdgFileTypes::DeclaredGlobs() const {
    ExtensionBoxes globs;
    std::string text;
    if (!ReadWholeFile(MimePackage(), text)) return globs;
    for (const char* ext : kExtensions) {
        if (text.find(std::string("<glob pattern=\"*.") + ext + "\"/>") != std::string::npos) {
            globs.Box(ext) = true;
        }
    }
    return globs;
}

bool XdgFileTypes::IsDefaultApplication() const {
    std::string text;
    if (!ReadWholeFile(MimeApps(), text)) return false;
    bool inDefaults = false;
    for (const std::string& line : SplitLines(text)) {
        if (!line.empty() && line[0] == '[')
            inDefaults = line.rfind("[Default Applications]", 0) == 0;
        if (inDefaults && line.rfind(std::string(kMimeType) + "=", 0) == 0) {
            return line.find(kDesktopName) != std::string::npos;
        }
    }
    return false;
}

ExtensionBoxes XdgFileTypes::ReadRegisteredExtensions() {
    if (!IsDefaultApplication()) return {};
    return DeclaredGlobs();
}

bool XdgFileTypes::SetDefaultApplication(bool on) {
    std::string text;
    ReadWholeFile(MimeApps(), text);
    std::vector<std::string> lines = SplitLines(text);
    std::vector<std::string> out;
    bool inDefaults = false, sectionSeen = false, written = false;
    const std::string entry = std::string(kMimeType) + "=" + kDesktopName + ";";
    for (const std::string& line : lines) {
        if (!line.empty() && line[0] == '[') {
            if (inDefaults && on && !written) {
                out.push_back(entry);
                written = true;
            }
            inDefaults = line.rfind("[Default Applications]", 0) == 0;
            sectionSeen = sectionSeen || inDefaults;
        }
        if (inDefaults && line.rfind(std::string(kMimeType) + "=", 0) == 0) {
            if (on && !written) {
                out.push_back(entry);
                written = true;
            }
            continue;  // our line is replaced, or removed when unregistering
        }
        out.push_back(line);
    }
    if (on && !written) {
        if (!sectionSeen) out.push_back("[Default Applications]");
        out.push_back(entry);
    }
    std::string result;
    for (const std::string& line : out) result += line + "\n";
    return SaveSettingsFile(MimeApps(), result);
}

bool XdgFileTypes::WriteState(const ExtensionBoxes& globs) {
    std::error_code ec;
    ExtensionBoxes copy = globs;
    bool any = false;
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"" +
        std::string(kMimeType) +
        "\">\n"
        "    <comment>IBM TSO TRANSMIT file</comment>\n";
    for (const char* ext : kExtensions) {
        if (copy.Box(ext)) {
            xml += std::string("    <glob pattern=\"*.") + ext + "\"/>\n";
            any = true;
        }
    }
    xml += "  </mime-type>\n</mime-info>\n";
    if (!any) {
        // Nothing of ours is left: remove only the files this program wrote.
        bool ok = SetDefaultApplication(false);
        std::filesystem::remove(MimePackage(), ec);
        std::filesystem::remove(DesktopEntry(), ec);
        UpdateDatabases();
        return ok;
    }
    const std::string desktop =
        "[Desktop Entry]\nType=Application\nName=Corvane\n"
        "Comment=Look inside IBM mainframe TRANSMIT (XMIT) files\n"
        "Exec=\"" +
        PathToUtf8(programPath_) +
        "\" %f\nIcon=corvane\nTerminal=false\n"
        "Categories=Utility;\nMimeType=" +
        std::string(kMimeType) + ";\n";
    if (!CanWriteFile(MimePackage()) || !CanWriteFile(DesktopEntry()) ||
        !CanWriteFile(MimeApps())) {
        return false;
    }
    bool ok = SaveSettingsFile(MimePackage(), xml) && SaveSettingsFile(DesktopEntry(), desktop) &&
              SetDefaultApplication(true);
    UpdateDatabases();
    return ok;
}

void XdgFileTypes::UpdateDatabases() const {
    // Refresh the desktop's caches when the tools are there; their absence
    // changes nothing that this program reads back.
    std::string mime;
    for (char c : PathToUtf8(dataHome_ / "mime")) {
        if (c == '\'') {
            mime += "'\\''";
        } else {
            mime.push_back(c);
        }
    }
    std::string cmd = "command -v update-mime-database >/dev/null 2>&1 && update-mime-database '" +
                      mime + "' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) {
        // not installed or failed: nothing to do
    }
}

bool XdgFileTypes::RegisterExtension(const std::string& ext) {
    ExtensionBoxes globs = DeclaredGlobs();
    globs.Box(ext) = true;
    return WriteState(globs);
}

bool XdgFileTypes::UnregisterExtension(const std::string& ext) {
    ExtensionBoxes globs = DeclaredGlobs();
    if (!globs.Box(ext)) return true;
    globs.Box(ext) = false;
    return WriteState(globs);
}

}  // namespace corvane
