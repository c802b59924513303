#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "settings/ProgramOptions.h"
#include "settings/RegistryStore.h"

namespace corvane {

// Registration of the XMIT extensions ("xmi", "xmt", "xmit", "xm", without
// the dot) with the desktop, so that opening such a file starts this program.
class FileTypes {
  public:
    virtual ~FileTypes() = default;
    virtual ExtensionBoxes ReadRegisteredExtensions() = 0;
    virtual bool RegisterExtension(const std::string& ext) = 0;
    virtual bool UnregisterExtension(const std::string& ext) = 0;
};

inline constexpr char kProgId[] = "Corvane";

// The Windows way: keys under HKEY_CLASSES_ROOT pointing at the ProgID.
class RegistryFileTypes : public FileTypes {
  public:
    RegistryFileTypes(RegistryStore& registry, std::filesystem::path programPath)
        : registry_(registry), programPath_(std::move(programPath)) {}
    ExtensionBoxes ReadRegisteredExtensions() override;
    bool RegisterExtension(const std::string& ext) override;
    bool UnregisterExtension(const std::string& ext) override;
    std::string CommandText() const;
    std::string IconPath() const;

  private:
    RegistryStore& registry_;
    std::filesystem::path programPath_;
};

// The freedesktop way: a shared-mime-info package declaring the XMIT type
// with one glob per registered extension, a desktop entry that starts this
// program with the file, and the type's default application in mimeapps.list.
class XdgFileTypes : public FileTypes {
  public:
    XdgFileTypes(std::filesystem::path dataHome, std::filesystem::path configHome,
                 std::filesystem::path programPath)
        : dataHome_(std::move(dataHome)),
          configHome_(std::move(configHome)),
          programPath_(std::move(programPath)) {}
    // $XDG_DATA_HOME and $XDG_CONFIG_HOME, with their usual defaults.
    static std::unique_ptr<XdgFileTypes> ForUser(std::filesystem::path programPath);

    ExtensionBoxes ReadRegisteredExtensions() override;
    bool RegisterExtension(const std::string& ext) override;
    bool UnregisterExtension(const std::string& ext) override;

    std::filesystem::path MimePackage() const {
        return dataHome_ / "mime" / "packages" / "corvane-xmit.xml";
    }
    std::filesystem::path DesktopEntry() const {
        return dataHome_ / "applications" / "corvane.desktop";
    }
    std::filesystem::path MimeApps() const { return configHome_ / "mimeapps.list"; }
    static constexpr char kMimeType[] = "application/x-corvane-xmit";

  private:
    bool WriteState(const ExtensionBoxes& globs);
    ExtensionBoxes DeclaredGlobs() const;
    bool IsDefaultApplication() const;
    bool SetDefaultApplication(bool on);
    void UpdateDatabases() const;

    std::filesystem::path dataHome_;
    std::filesystem::path configHome_;
    std::filesystem::path programPath_;
};

}  // namespace corvane
