#include "io/AtomicWriter.h"
#include "settings/FileTypes.h"

namespace corvane {

std::string RegistryFileTypes::CommandText() const {
    return "\"" + PathToUtf8(programPath_) + "\" \"%1\" ";
}

std::string RegistryFileTypes::IconPath() const {
    return PathToUtf8(programPath_.parent_path() / "xmitfile.ico");
}

ExtensionBoxes RegistryFileTypes::ReadRegisteredExtensions() {
    ExtensionBoxes boxes;
    for (const char* ext : {"xmt", "xmi", "xmit", "xm"}) {
        auto key = registry_.OpenKey(RegRoot::ClassesRoot, std::string(".") + ext, false, false);
        try {
            if (key && key->ReadString("") == kProgId) boxes.Box(ext) = true;
        } catch (const RegistryError&) {
            // a default value of another type: not ours
        }
    }
    return boxes;
}

bool RegistryFileTypes::RegisterExtension(const std::string& ext) {
    // Every key is opened with creation; one that cannot be opened means the
    // registration did not happen, so it is reported as a failure.
    auto write = [&](const std::string& path, const std::string& value) {
        auto key = registry_.OpenKey(RegRoot::ClassesRoot, path, true, true);
        if (!key) return false;
        key->WriteString("", value);
        return true;
    };
    try {
        const std::string prog = kProgId;
        return write("." + ext, prog) && write(prog, "Corvane file") &&
               write(prog + "\\DefaultIcon", IconPath()) && write(prog + "\\shell", "open") &&
               write(prog + "\\shell\\open", "&Open") &&
               write(prog + "\\shell\\open\\command", CommandText());
    } catch (const RegistryError&) {
        return false;
    }
}

bool RegistryFileTypes::UnregisterExtension(const std::string& ext) {
    return registry_.DeleteKeyTree(RegRoot::ClassesRoot, "." + ext) &&
           registry_.DeleteKeyTree(RegRoot::ClassesRoot, ext + "_auto_file");
}

}  // namespace corvane
