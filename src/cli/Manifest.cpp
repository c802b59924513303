#include "Manifest.h"

#include <chrono>

#include "create/LibraryBlocks.h"
#include "io/AtomicWriter.h"
#include "present/Presenter.h"

namespace corvane::cli {

std::string HexBytes(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

bool FromHex(const std::string& text, std::vector<std::uint8_t>& out) {
    out.clear();
    if (text.size() % 2 != 0) return false;
    auto value = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int hi = value(text[i]);
        const int lo = value(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
    }
    return true;
}

ManifestFile Stamp(const std::filesystem::path& path, bool text) {
    ManifestFile f;
    f.File = PathToUtf8(path.filename());
    f.Text = text;
    std::error_code ec;
    f.Size = std::filesystem::file_size(path, ec);
    const auto time = std::filesystem::last_write_time(path, ec);
    if (!ec) {
        f.Modified =
            std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
    }
    return f;
}

namespace {
nlohmann::json FileJson(const ManifestFile& f) {
    return {{"file", f.File},
            {"mode", f.Text ? "text" : "binary"},
            {"size", f.Size},
            {"modified_ns", f.Modified}};
}

std::string RecfmText(const RecordFormat& r) {
    std::string s(1, r.Kind == 'V' || r.Kind == 'U' ? r.Kind : 'F');
    if (r.Blocked && r.Kind != 'U') s += 'B';
    return s;
}
}  // namespace

nlohmann::json ManifestJson(const XmitInfo& info, const std::vector<ManifestMember>& members,
                            const std::optional<ManifestFile>& sequential) {
    const DatasetInfo& d = info.Dataset;
    nlohmann::json j;
    j["manifest"] = 1;
    j["transfer"] = {{"from", info.Transfer.FromUser + "@" + info.Transfer.FromNode},
                     {"to", info.Transfer.ToUser + "@" + info.Transfer.ToNode},
                     {"timestamp", info.Transfer.Timestamp}};
    j["dataset"] = {{"name", d.Name},
                    {"organization", info.Partitioned ? "partitioned" : "sequential"},
                    {"pdse", d.Organization == DatasetOrganization::PartitionedExtended},
                    {"recfm", RecfmText(d.Recfm)},
                    {"lrecl", d.Lrecl},
                    {"blksize", d.Blksize}};
    j["message"] = info.Message;
    if (sequential) j["data"] = FileJson(*sequential);
    nlohmann::json list = nlohmann::json::array();
    for (const ManifestMember& m : members) {
        nlohmann::json o = MemberJson(info, *m.Entry);
        o.update(FileJson(m.Written));
        o["name_bytes"] = HexBytes(m.Entry->NameBytes);
        o["user_data"] = HexBytes(m.Entry->UserData);
        o["user_ttrs"] = (m.Entry->Indicator >> 5) & 3;
        // Block lengths where the data does not give them (undefined
        // records), and the blocks' addresses where the directory entry
        // points at some of them.
        if (!m.Entry->Alias && d.Recfm.Kind == 'U') {
            nlohmann::json lengths = nlohmann::json::array();
            for (const BlockMark& b : m.Blocks) lengths.push_back(b.Length);
            o["blocks"] = lengths;
        }
        if (!m.Entry->Alias && (m.Entry->Indicator & 0x60) != 0) {
            nlohmann::json ttrs = nlohmann::json::array();
            for (std::uint32_t ttr : create::BlockAddresses(m.Entry->Ttr, m.Blocks)) {
                ttrs.push_back(present::Hex(ttr, 6));
            }
            o["block_ttrs"] = ttrs;
        }
        list.push_back(std::move(o));
    }
    j["members"] = std::move(list);
    return j;
}

std::vector<std::string> ManifestProblems(const nlohmann::json& j) {
    std::vector<std::string> problems;
    const nlohmann::json& d = j["dataset"];
    for (const char* key : {"lrecl", "blksize"}) {
        if (d.contains(key) && !d[key].is_number_unsigned()) {
            problems.push_back(std::string("manifest.json: the dataset's ") + key +
                               " is not a number");
        }
    }
    if (d.contains("recfm") && !d["recfm"].is_string()) {
        problems.push_back("manifest.json: the dataset's recfm is not text");
    }
    if (j.contains("data") && j["data"].is_object() && j["data"].contains("file")) {
        const nlohmann::json& f = j["data"]["file"];
        if (!f.is_string() ||
            PathFromUtf8(f.get<std::string>()) != PathFromUtf8(f.get<std::string>()).filename()) {
            problems.push_back("manifest.json: the data's file is not a file of the folder");
        }
    }
    if (j.contains("message") && !j["message"].is_array()) {
        problems.push_back("manifest.json: the message is not a list of lines");
    }
    if (!j.contains("members")) return problems;
    if (!j["members"].is_array()) {
        problems.push_back("manifest.json: members is not a list");
        return problems;
    }
    std::size_t k = 0;
    for (const nlohmann::json& m : j["members"]) {
        ++k;
        const std::string which = "manifest.json: member " + std::to_string(k) +
                                  (m.is_object() && m.contains("name") && m["name"].is_string()
                                       ? " (" + m["name"].get<std::string>() + ")"
                                       : std::string());
        if (!m.is_object() || !m.contains("name") || !m["name"].is_string()) {
            problems.push_back(which + " has no name");
            continue;
        }
        if (m.contains("file") && m["file"].is_string()) {
            // A file of the folder itself, never one elsewhere.
            const std::filesystem::path file = PathFromUtf8(m["file"].get<std::string>());
            if (file.empty() || file != file.filename() || file == "." || file == "..") {
                problems.push_back(which + ": file " + m["file"].get<std::string>() +
                                   " is not a file of the folder");
            }
        }
        for (const char* key : {"file", "mode"}) {
            if (m.contains(key) && !m[key].is_string())
                problems.push_back(which + ": " + key + " is not text");
        }
        if (m.contains("alias_of") && !m["alias_of"].is_null() && !m["alias_of"].is_string()) {
            problems.push_back(which + ": alias_of is not a name");
        }
        std::vector<std::uint8_t> bytes;
        for (const char* key : {"name_bytes", "user_data"}) {
            if (!m.contains(key)) continue;
            if (!m[key].is_string() || !FromHex(m[key].get<std::string>(), bytes)) {
                problems.push_back(which + ": " + key + " is not hex");
            } else if (std::string(key) == "name_bytes" && !bytes.empty() && bytes.size() != 8) {
                problems.push_back(which + ": name_bytes is not 8 bytes");
            }
        }
        if (m.contains("user_ttrs") &&
            (!m["user_ttrs"].is_number_unsigned() || m["user_ttrs"].get<unsigned>() > 3)) {
            problems.push_back(which + ": user_ttrs is not 0 to 3");
        }
        if (m.contains("ispf") && !m["ispf"].is_null() && !m["ispf"].is_object()) {
            problems.push_back(which + ": ispf is not statistics");
        }
        if (m.contains("blocks")) {
            bool fine = m["blocks"].is_array();
            if (fine) {
                for (const auto& b : m["blocks"])
                    fine = fine && b.is_number_unsigned() && b.get<std::uint64_t>() <= 65535;
            }
            if (!fine) problems.push_back(which + ": blocks is not a list of block lengths");
        }
        if (m.contains("block_ttrs")) {
            bool fine = m["block_ttrs"].is_array();
            if (fine) {
                for (const auto& t : m["block_ttrs"]) {
                    fine = fine && t.is_string() && t.get<std::string>().size() == 6 &&
                           FromHex(t.get<std::string>(), bytes);
                }
            }
            if (!fine) problems.push_back(which + ": block_ttrs is not a list of TTRs");
        }
    }
    return problems;
}

}  // namespace corvane::cli
