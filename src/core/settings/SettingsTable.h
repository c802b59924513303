#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "settings/IniFile.h"
#include "settings/RegistryStore.h"

namespace corvane {

// A default that is not a constant: one of the per-user folders, known only
// at run time (empty before).
enum class FolderDefault { Zip, Open };

struct DefaultFolders {
    std::string ZipDir;   // unpacked archive entries and job files
    std::string OpenDir;  // where the open dialog starts
};

// Where a setting is kept. Both: in the registry key, read and written in the
// table's order with the INI file as the fallback. RegistryOnly: in the key
// alone, read when present, never a reason to fall back.
enum class Storage { Both, RegistryOnly };

// One stored setting of T: its key (the registry value name and the INI key),
// the field that holds it (whose type is the setting's type), its one
// default, its place in the registry read, and where it is kept.
template <class T>
struct Setting {
    const char* Key;
    std::variant<bool T::*, int T::*, std::string T::*> Field;
    std::variant<bool, int, const char*, FolderDefault> Default;
    int ReadOrder;  // the registry read stops at its first failure, so order matters
    Storage Where = Storage::Both;
    bool SetByDefaults = true;  // the Defaults button sets it
};

// The settings of T with the INI section that holds them.
template <class T>
struct SettingsTable {
    const char* Section;
    std::span<const Setting<T>> Rows;

    // The rows kept in both places, in the registry's read order.
    std::vector<const Setting<T>*> InReadOrder() const {
        std::vector<const Setting<T>*> rows;
        for (const Setting<T>& s : Rows)
            if (s.Where == Storage::Both) rows.push_back(&s);
        std::stable_sort(rows.begin(), rows.end(),
                         [](auto* a, auto* b) { return a->ReadOrder < b->ReadOrder; });
        return rows;
    }

    template <class M>
    const char* KeyOf(M T::*field) const {
        for (const Setting<T>& s : Rows) {
            if (auto* f = std::get_if<M T::*>(&s.Field); f && *f == field) return s.Key;
        }
        return "";
    }

    // Sets every field to its default (defaultsButton: only those that button sets).
    void ApplyDefaults(T& values, const DefaultFolders& folders, bool defaultsButton) const {
        for (const Setting<T>& s : Rows) {
            if (!defaultsButton || s.SetByDefaults) Assign(values, s, DefaultOf(s, folders));
        }
    }

    // Reads the Both rows in read order; a failing read raises RegistryError
    // and leaves the rows not yet read as they were. A value the store holds
    // damaged takes its default instead, and its key goes to damaged when given.
    void ReadRegistry(const RegistryKey& key, T& values, const DefaultFolders& folders = {},
                      std::vector<const char*>* damaged = nullptr) const {
        for (const Setting<T>* s : InReadOrder()) {
            if (key.ValueDamaged(s->Key)) {
                Assign(values, *s, DefaultOf(*s, folders));
                if (damaged) damaged->push_back(s->Key);
                continue;
            }
            std::visit(
                [&](auto field) {
                    using M = std::remove_reference_t<decltype(values.*field)>;
                    if constexpr (std::is_same_v<M, bool>) {
                        values.*field = key.ReadBool(s->Key);
                    } else if constexpr (std::is_same_v<M, int>) {
                        values.*field = static_cast<int>(key.ReadInteger(s->Key));
                    } else {
                        values.*field = key.ReadString(s->Key);
                    }
                },
                s->Field);
        }
    }

    // Writes one row's value; a refused write raises RegistryError.
    void WriteRow(RegistryKey& key, const T& values, const char* rowKey) const {
        for (const Setting<T>& s : Rows) {
            if (std::string_view(s.Key) == rowKey) WriteOne(key, values, s);
        }
    }

    // Writes the Both rows in table order; a refused write raises RegistryError.
    void WriteRegistry(RegistryKey& key, const T& values) const {
        for (const Setting<T>& s : Rows) {
            if (s.Where == Storage::Both) WriteOne(key, values, s);
        }
    }

    // The RegistryOnly rows: read where present, written, errors ignored.
    void ReadRegistryExtras(const RegistryKey& key, T& values) const {
        for (const Setting<T>& s : Rows) {
            if (s.Where != Storage::RegistryOnly) continue;
            try {
                if (!key.ValueExists(s.Key)) continue;
                std::visit(
                    [&](auto field) {
                        using M = std::remove_reference_t<decltype(values.*field)>;
                        if constexpr (std::is_same_v<M, bool>) {
                            values.*field = key.ReadBool(s.Key);
                        } else if constexpr (std::is_same_v<M, int>) {
                            values.*field = static_cast<int>(key.ReadInteger(s.Key));
                        } else {
                            values.*field = key.ReadString(s.Key);
                        }
                    },
                    s.Field);
            } catch (const RegistryError&) {
            }
        }
    }
    void WriteRegistryExtras(RegistryKey& key, const T& values) const {
        for (const Setting<T>& s : Rows) {
            if (s.Where != Storage::RegistryOnly) continue;
            try {
                WriteOne(key, values, s);
            } catch (const RegistryError&) {
            }
        }
    }

    // Reads the Both rows from the INI section; a missing or unreadable key
    // gives its default.
    void ReadIni(const IniFile& ini, T& values, const DefaultFolders& folders) const {
        for (const Setting<T>* s : InReadOrder()) {
            const Value fallback = DefaultOf(*s, folders);
            std::visit(
                [&](auto field) {
                    using M = std::remove_reference_t<decltype(values.*field)>;
                    if constexpr (std::is_same_v<M, bool>) {
                        values.*field = ini.ReadBool(Section, s->Key, std::get<bool>(fallback));
                    } else if constexpr (std::is_same_v<M, int>) {
                        values.*field = ini.ReadInteger(Section, s->Key, std::get<int>(fallback));
                    } else {
                        values.*field =
                            ini.ReadString(Section, s->Key, std::get<std::string>(fallback));
                    }
                },
                s->Field);
        }
    }

    // Writes the Both rows in table order; false at the first refused write.
    bool WriteIni(IniFile& ini, const T& values) const {
        for (const Setting<T>& s : Rows) {
            if (s.Where != Storage::Both) continue;
            const bool ok = std::visit(
                [&](auto field) {
                    using M = std::remove_cvref_t<decltype(values.*field)>;
                    if constexpr (std::is_same_v<M, bool>) {
                        return ini.WriteBool(Section, s.Key, values.*field);
                    } else if constexpr (std::is_same_v<M, int>) {
                        return ini.WriteInteger(Section, s.Key, values.*field);
                    } else {
                        return ini.WriteString(Section, s.Key, values.*field);
                    }
                },
                s.Field);
            if (!ok) return false;
        }
        return true;
    }

  private:
    using Value = std::variant<bool, int, std::string>;

    static Value DefaultOf(const Setting<T>& s, const DefaultFolders& folders) {
        return std::visit(
            [&](auto d) -> Value {
                using D = decltype(d);
                if constexpr (std::is_same_v<D, FolderDefault>) {
                    return d == FolderDefault::Zip ? folders.ZipDir : folders.OpenDir;
                } else if constexpr (std::is_same_v<D, const char*>) {
                    return std::string(d);
                } else {
                    return d;
                }
            },
            s.Default);
    }

    static void Assign(T& values, const Setting<T>& s, const Value& v) {
        std::visit(
            [&](auto field) {
                using M = std::remove_reference_t<decltype(values.*field)>;
                values.*field = std::get<M>(v);
            },
            s.Field);
    }

    static void WriteOne(RegistryKey& key, const T& values, const Setting<T>& s) {
        std::visit(
            [&](auto field) {
                using M = std::remove_cvref_t<decltype(values.*field)>;
                if constexpr (std::is_same_v<M, bool>) {
                    key.WriteBool(s.Key, values.*field);
                } else if constexpr (std::is_same_v<M, int>) {
                    key.WriteInteger(s.Key, static_cast<std::uint32_t>(values.*field));
                } else {
                    key.WriteString(s.Key, values.*field);
                }
            },
            s.Field);
    }
};

}  // namespace corvane
