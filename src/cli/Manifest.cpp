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

}  // namespace corvane::cli
