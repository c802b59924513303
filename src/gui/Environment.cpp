#include "Environment.h"

#include <QDir>
#include <QStandardPaths>

namespace corvane::gui {

namespace {
std::filesystem::path Local(const QString& path) {
    return std::filesystem::path(QDir::toNativeSeparators(path).toStdString());
}
}  // namespace

std::filesystem::path Environment::DefaultZipDir() const {
    if (!ZipFolder.empty()) return ZipFolder;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return Local((data.isEmpty() ? QDir::homePath() : data) + "/Corvane/UnZipped");
}

std::filesystem::path Environment::DefaultOpenDir() const {
    if (!OpenFolder.empty()) return OpenFolder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QDir(documents).exists()) return Local(documents);
    return Local(QDir::homePath());
}

}  // namespace corvane::gui
