#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>
#include <iostream>
#include <map>
#include <set>

#include "Commands.h"
#include "Manifest.h"
#include "create/CreateInputs.h"
#include "create/FileBlocks.h"
#include "create/IspfStats.h"
#include "create/XmitCreator.h"
#include "io/AtomicWriter.h"
#include "io/OutputName.h"
#include "present/Presenter.h"

namespace corvane::cli {

namespace {

using create::WriteFormat;
using namespace create;

std::vector<std::vector<std::uint8_t>> MessageFromLines(const std::vector<std::string>& lines,
                                                        const CodePage* page) {
    std::vector<std::vector<std::uint8_t>> out;
    for (const std::string& line : lines) {
        std::vector<std::uint8_t> record;
        std::size_t bad = 0;
        if (!create::EncodeLine(line, page, record, bad)) record.assign(line.size(), 0x6F);
        record.resize(80, 0x40);
        out.push_back(std::move(record));
    }
    return out;
}

std::optional<IspfStatistics> IspfFromJson(const nlohmann::json& j) {
    if (!j.is_object()) return std::nullopt;
    IspfStatistics s;
    const std::string version = j.value("version", "01.00");
    s.Version = std::atoi(version.substr(0, 2).c_str());
    s.Modification = version.size() >= 5 ? std::atoi(version.substr(3, 2).c_str()) : 0;
    const auto date = [](const std::string& t) {
        CalendarDate d;
        if (t.size() >= 10) {
            d.Year = std::atoi(t.substr(0, 4).c_str());
            d.Month = std::atoi(t.substr(5, 2).c_str());
            d.Day = std::atoi(t.substr(8, 2).c_str());
        }
        return d;
    };
    if (j.contains("created") && j["created"].is_string()) s.Created = date(j["created"]);
    if (j.contains("modified") && j["modified"].is_string()) {
        const std::string t = j["modified"];
        DateTime m;
        m.Date = date(t);
        if (t.size() >= 16) {
            m.Hour = std::atoi(t.substr(11, 2).c_str());
            m.Minute = std::atoi(t.substr(14, 2).c_str());
        }
        if (t.size() >= 19) m.Second = std::atoi(t.substr(17, 2).c_str());
        s.Modified = m;
    }
    s.Lines = j.value("lines", 0u);
    s.InitialLines = j.value("initial_lines", 0u);
    s.ModifiedLines = j.value("modified_lines", 0u);
    s.User = j.value("user", std::string());
    return s;
}

// One file that becomes a member (or the dataset).
struct Input {
    std::filesystem::path File;
    std::string Name;
    bool Text = true;
    const nlohmann::json* Recorded = nullptr;  // its manifest entry
};

struct Collected {
    std::vector<Input> Files;
    std::vector<std::string> Problems;
    std::vector<std::string> Notes;
    std::optional<nlohmann::json> Manifest;
    std::filesystem::path Folder;
};

// A manifest entry's file: whether it is still as extraction wrote it.
bool Unchanged(const Input& in) {
    if (!in.Recorded) return false;
    const ManifestFile now = Stamp(in.File, in.Text);
    return now.Size == in.Recorded->value("size", std::uint64_t{0}) &&
           now.Modified == in.Recorded->value("modified_ns", std::int64_t{0});
}

}  // namespace

int CreateCommand(const CreateOptions& o) {
    const std::filesystem::path output = PathFromUtf8(o.Output);
    Collected c;
    // The inputs: files, and the files of folders (not their subfolders).
    std::vector<std::filesystem::path> files;
    for (const std::string& given : o.Inputs) {
        const std::filesystem::path path = PathFromUtf8(given);
        std::error_code ec;
        if (std::filesystem::is_directory(path, ec)) {
            if (std::filesystem::exists(path / kManifestName, ec)) {
                if (o.Inputs.size() != 1) {
                    std::cerr << "A folder with a " << kManifestName
                              << " is made again alone; give it as the only input\n";
                    return 2;
                }
                std::ifstream in(path / kManifestName, std::ios::binary);
                try {
                    c.Manifest = nlohmann::json::parse(in);
                } catch (const nlohmann::json::exception&) {
                    std::cerr << PathToUtf8(path / kManifestName)
                              << " is not a manifest (not JSON)\n";
                    return 2;
                }
                if (!c.Manifest->is_object() || !c.Manifest->contains("dataset") ||
                    !(*c.Manifest)["dataset"].is_object()) {
                    std::cerr << PathToUtf8(path / kManifestName)
                              << " is not a manifest (no dataset)\n";
                    return 2;
                }
                for (const std::string& p : ManifestProblems(*c.Manifest)) {
                    c.Problems.push_back(p);
                }
                if (!c.Problems.empty()) {
                    for (const std::string& p : c.Problems) std::cerr << VisibleText(p) << "\n";
                    std::cerr << "Nothing was written.\n";
                    return 2;
                }
                c.Folder = path;
            }
            std::vector<std::filesystem::path> inside;
            for (const auto& entry : std::filesystem::directory_iterator(path, ec)) {
                if (entry.is_regular_file(ec) && entry.path().filename() != kManifestName) {
                    inside.push_back(entry.path());
                }
            }
            std::sort(inside.begin(), inside.end());
            files.insert(files.end(), inside.begin(), inside.end());
        } else if (std::filesystem::is_regular_file(path, ec)) {
            files.push_back(path);
        } else {
            std::cerr << given << ": no such file or folder\n";
            return 2;
        }
    }
    const nlohmann::json* manifest = c.Manifest ? &*c.Manifest : nullptr;
    const nlohmann::json dataset = manifest ? (*manifest)["dataset"] : nlohmann::json::object();
    const bool sequential =
        o.Sequential || (manifest && dataset.value("organization", "") == "sequential");

    // The format: the manifest's, then the options.
    WriteFormat f;
    if (manifest && !ParseFormat(dataset.value("recfm", "FB"), f)) {
        std::cerr << "The manifest's record format " << dataset.value("recfm", "")
                  << " is not F, FB, V, VB or U\n";
        return 2;
    }
    if (manifest) {
        f.Lrecl = dataset.value("lrecl", 0u);
        f.Blksize = dataset.value("blksize", 0u);
    }
    if (!o.Recfm.empty()) {
        if (!ParseFormat(o.Recfm, f)) {
            std::cerr << "--recfm " << o.Recfm << ": give F, FB, V, VB or U\n";
            return 2;
        }
        if (!manifest || !o.Lrecl) f.Lrecl = f.Kind == 'V' ? 255 : f.Kind == 'U' ? 0 : 80;
        if (!o.Blksize) f.Blksize = 0;
    }
    if (o.Lrecl) f.Lrecl = *o.Lrecl;
    if (o.Blksize) f.Blksize = *o.Blksize;
    if (f.Kind == 'U') f.Lrecl = 0;
    if (f.Blksize == 0) f.Blksize = create::SystemBlockSize(f);
    for (const std::string& p : create::FormatProblems(f, !sequential)) c.Problems.push_back(p);
    const bool textDefault = o.Text || (!o.Binary && f.Kind != 'U');
    if (o.Text && f.Kind == 'U') c.Problems.push_back("Text cannot be written as RECFM U records");

    // The transfer: the manifest's, then the options.
    create::TransmissionPlan t;
    if (manifest && (*manifest).contains("transfer")) {
        const nlohmann::json& tr = (*manifest)["transfer"];
        SplitAddress(tr.value("from", ""), t.FromUser, t.FromNode);
        SplitAddress(tr.value("to", ""), t.ToUser, t.ToNode);
        t.Timestamp = tr.value("timestamp", "");
    }
    if (!o.From.empty() && !SplitAddress(o.From, t.FromUser, t.FromNode)) {
        c.Problems.push_back("--from " + o.From + ": give USER@NODE, each 1 to 8 characters");
    }
    if (!o.To.empty() && !SplitAddress(o.To, t.ToUser, t.ToNode)) {
        c.Problems.push_back("--to " + o.To + ": give USER@NODE, each 1 to 8 characters");
    }
    if (!o.Time.empty()) {
        if (o.Time.size() != 14 || !std::all_of(o.Time.begin(), o.Time.end(),
                                                [](char d) { return d >= '0' && d <= '9'; })) {
            c.Problems.push_back("--time " + o.Time + ": give YYYYMMDDHHMMSS");
        }
        t.Timestamp = o.Time;
    }
    if (t.Timestamp.empty()) t.Timestamp = Stamp14(LocalTime(std::time(nullptr)));
    const CodePage* page = o.Characters;
    if (!o.Message.empty()) {
        std::string problem;
        if (!MessageRecords(PathFromUtf8(o.Message), page, t.Message, problem)) {
            c.Problems.push_back(problem);
        }
    } else if (manifest && (*manifest).contains("message") && (*manifest)["message"].is_array()) {
        t.Message = MessageFromLines((*manifest)["message"].get<std::vector<std::string>>(), page);
    }

    std::string dsn = o.Dsn.empty() && manifest ? dataset.value("name", "") : Upper(o.Dsn);
    if (const std::size_t paren = dsn.find('('); paren != std::string::npos) dsn.resize(paren);
    if (dsn.empty()) {
        dsn = Upper(PathToUtf8(output.stem()));
        if (!ValidDatasetName(dsn)) dsn = "CORVANE.DATA";
    }
    if (!ValidDatasetName(dsn)) {
        c.Problems.push_back("\"" + dsn +
                             "\" is not a valid dataset name (qualifiers of 1 to 8 "
                             "characters A-Z 0-9 @ # $ -, joined by dots, 44 at most)");
    }

    // --rename FILE=NAME, by the file's name or the name it would give.
    std::map<std::string, std::string> renames;
    for (const std::string& r : o.Renames) {
        const std::size_t eq = r.rfind('=');
        if (eq == std::string::npos || eq == 0) {
            c.Problems.push_back("--rename " + r + ": give FILE=MEMBER");
            continue;
        }
        renames[r.substr(0, eq)] = Upper(r.substr(eq + 1));
    }

    // The manifest's members first, then files it does not name.
    std::set<std::filesystem::path> taken;
    std::vector<const nlohmann::json*> aliases;
    if (manifest && !sequential && (*manifest).contains("members")) {
        for (const nlohmann::json& m : (*manifest)["members"]) {
            const std::string name = m.value("name", "");
            if (m.contains("alias_of") && m["alias_of"].is_string()) {
                aliases.push_back(&m);
                continue;
            }
            Input in;
            in.File = c.Folder / PathFromUtf8(m.value("file", ""));
            in.Name = name;
            in.Text = m.value("mode", "binary") == "text";
            in.Recorded = &m;
            std::error_code ec;
            if (m.value("file", "").empty() || !std::filesystem::is_regular_file(in.File, ec)) {
                c.Notes.push_back("Member " + DisplayName(name) + " is left out: its file " +
                                  m.value("file", "") + " is not in the folder");
                continue;
            }
            taken.insert(in.File);
            c.Files.push_back(std::move(in));
        }
    }
    if (manifest && sequential && (*manifest).contains("data")) {
        const nlohmann::json& d = (*manifest)["data"];
        Input in;
        in.File = c.Folder / PathFromUtf8(d.value("file", ""));
        in.Text = d.value("mode", "binary") == "text";
        in.Recorded = &d;
        taken.insert(in.File);
        c.Files.push_back(std::move(in));
    }
    for (const std::filesystem::path& file : files) {
        if (taken.count(file)) continue;
        // Aliases' files hold their member's bytes again.
        if (manifest) {
            bool aliasFile = false;
            for (const nlohmann::json* a : aliases) {
                if (c.Folder / PathFromUtf8(a->value("file", "")) == file) aliasFile = true;
            }
            if (aliasFile) continue;
        }
        Input in;
        in.File = file;
        in.Text = o.Binary ? false : textDefault;
        const std::string fileName = PathToUtf8(file.filename());
        const std::string derived = NameFromFile(file);
        auto renamed = renames.find(fileName);
        if (renamed == renames.end()) renamed = renames.find(derived);
        in.Name = renamed != renames.end() ? renamed->second : derived;
        if (!sequential) {
            if (!create::ValidMemberName(in.Name)) {
                c.Problems.push_back(fileName + ": \"" + DisplayName(in.Name) +
                                     "\" is not a valid member name (1 to 8 of A-Z 0-9 @ # $, "
                                     "not starting with a digit); --rename " +
                                     fileName + "=NAME gives it one");
            } else if (renamed != renames.end()) {
                c.Notes.push_back(fileName + " becomes member " + in.Name);
            } else if (manifest) {
                c.Notes.push_back(fileName + " is not in the manifest: added as member " + in.Name);
            }
        }
        c.Files.push_back(std::move(in));
    }
    if (o.Text || o.Binary) {
        for (Input& in : c.Files) in.Text = o.Text;
    }
    if (sequential && c.Files.size() != 1) {
        c.Problems.push_back("A sequential dataset is made of one file; " +
                             std::to_string(c.Files.size()) + " were given");
    }
    if (!sequential) {
        std::map<std::string, std::string> owners;
        for (const Input& in : c.Files) {
            const auto [it, fresh] = owners.emplace(in.Name, PathToUtf8(in.File.filename()));
            if (!fresh) {
                c.Problems.push_back(it->second + " and " + PathToUtf8(in.File.filename()) +
                                     " both become member " + in.Name);
            }
        }
    }
    if (c.Files.empty() && c.Problems.empty())
        c.Problems.push_back("No files to put in the XMIT file");

    // Every file is read once now, so that every bad one is named before
    // anything is written.
    std::vector<std::shared_ptr<create::FileBlocks>> blocks;
    for (const Input& in : c.Files) {
        create::EncodeOptions e;
        e.Format = f;
        e.Text = in.Text;
        e.Characters = page;
        e.Truncate = o.Truncate;
        if (in.Recorded && in.Recorded->contains("blocks")) {
            e.BlockLengths = (*in.Recorded)["blocks"].get<std::vector<std::uint32_t>>();
        }
        blocks.push_back(std::make_shared<create::FileBlocks>(in.File, e));
    }
    if (c.Problems.empty()) {
        for (const std::string& refused : create::MeasureAll(blocks)) {
            if (refused.empty()) continue;
            const bool tooLong = refused.find("more than the record length") != std::string::npos;
            c.Problems.push_back(refused + (tooLong ? " (--truncate cuts it)" : ""));
        }
    }

    for (const std::string& note : c.Notes) std::cerr << "corvane-cli: note: " << note << "\n";
    if (!c.Problems.empty()) {
        for (const std::string& p : c.Problems) std::cerr << VisibleText(p) << "\n";
        std::cerr << "Nothing was written.\n";
        return 2;
    }
    if (manifest && dataset.value("pdse", false)) {
        std::cerr << "corvane-cli: note: the PDSE is written as a PDS\n";
    }

    const bool replace = o.Overwrite;
    if (PathPresent(output) && !replace) {
        std::cerr << PathToUtf8(output) << " exists (--overwrite replaces it)\n";
        return 1;
    }
    Result<create::CreateSummary> done = create::CreateSummary{};
    if (sequential) {
        create::SequentialPlan plan;
        plan.Transmission = t;
        plan.DatasetName = dsn;
        plan.Format = f;
        plan.Data = blocks.front();
        done = create::CreateXmitFile(output, plan, replace);
    } else {
        create::LibraryPlan plan;
        plan.Transmission = t;
        plan.DatasetName = dsn;
        plan.Format = f;
        const bool stats = !o.NoStats && f.Kind != 'U';
        const std::string user = Upper(o.User.empty() ? t.FromUser : o.User);
        for (std::size_t i = 0; i < c.Files.size(); ++i) {
            const Input& in = c.Files[i];
            create::MemberPlan m;
            m.Name = in.Name;
            m.Data = blocks[i];
            const bool unchanged = Unchanged(in);
            if (in.Recorded) {
                FromHex(in.Recorded->value("name_bytes", ""), m.NameBytes);
                FromHex(in.Recorded->value("user_data", ""), m.UserData);
                m.UserAddresses = in.Recorded->value("user_ttrs", 0);
            }
            if (in.Recorded && unchanged) {
                // The entry as it stood; its addresses follow the blocks.
            } else if (in.Recorded && !in.Recorded->value("ispf", nlohmann::json()).is_null()) {
                m.UserData.clear();
                if (stats) {
                    m.UserData = create::IspfUserData(create::EditedStatistics(
                        *IspfFromJson((*in.Recorded)["ispf"]), FileTime(in.File),
                        blocks[i]->Records(), Upper(o.User)));
                }
            } else if (!in.Recorded && stats) {
                m.UserData = create::IspfUserData(
                    create::NewStatistics(FileTime(in.File), blocks[i]->Records(), user));
            }
            if (in.Recorded && in.Recorded->contains("block_ttrs")) {
                std::vector<std::uint32_t> ttrs;
                for (const auto& v : (*in.Recorded)["block_ttrs"]) {
                    ttrs.push_back(
                        static_cast<std::uint32_t>(std::stoul(v.get<std::string>(), nullptr, 16)));
                }
                m.Data = std::make_shared<create::RecordedAddresses>(blocks[i], std::move(ttrs));
            }
            plan.Members.push_back(std::move(m));
        }
        std::set<std::string> present;
        for (const Input& in : c.Files) present.insert(in.Name);
        for (const nlohmann::json* a : aliases) {
            create::MemberPlan m;
            m.Name = a->value("name", "");
            m.Alias = true;
            m.AliasOf = (*a)["alias_of"].get<std::string>();
            if (!present.count(m.AliasOf)) {
                std::cerr << "corvane-cli: note: alias " << DisplayName(m.Name)
                          << " is left out: its member " << DisplayName(m.AliasOf)
                          << " is not there\n";
                continue;
            }
            FromHex(a->value("name_bytes", ""), m.NameBytes);
            FromHex(a->value("user_data", ""), m.UserData);
            m.UserAddresses = a->value("user_ttrs", 0);
            plan.Members.push_back(std::move(m));
        }
        const std::vector<std::string> problems = create::LibraryProblems(plan);
        if (!problems.empty()) {
            for (const std::string& p : problems) std::cerr << VisibleText(p) << "\n";
            std::cerr << "Nothing was written.\n";
            return 2;
        }
        done = create::CreateXmitFile(output, plan, replace);
    }
    if (!done) {
        PrintError(done.Err());
        return done.Err().What == Error::Kind::Usage ? 2 : 1;
    }
    std::cout << PathToUtf8(output) << "\n";
    std::cerr << (sequential ? std::string("1 dataset")
                             : std::to_string(done->Members) + " members")
              << " written, " << done->Bytes << " bytes.\n";
    return 0;
}

CLI::App* Create::Declare(CLI::App& tool) {
    CreateOptions& cr = options_;
    auto* c = tool.add_subcommand("create", "Write an XMIT file from PC files or a folder");
    c->add_option("OUTPUT", cr.Output, "The XMIT file to write")->required();
    c->add_option("INPUT", cr.Inputs, "Files, or folders of files (one per member)")->required();
    c->add_option("--dsn", cr.Dsn, "Dataset name (default: the manifest's or OUTPUT's)");
    c->add_option("--recfm", cr.Recfm, "F, FB, V, VB or U (default FB)");
    c->add_option("--lrecl", cr.Lrecl, "Record length (default 80 for F, 255 for V)");
    c->add_option("--blksize", cr.Blksize, "Block size (default: as the system chooses)");
    auto* ct = c->add_flag("--text", cr.Text, "UTF-8 lines become records (the default)");
    c->add_flag("--binary", cr.Binary, "The files' bytes become the records or blocks")
        ->excludes(ct);
    c->add_option("--message", cr.Message, "A text file sent as the message");
    c->add_option("--from", cr.From, "Sender as USER@NODE");
    c->add_option("--to", cr.To, "Addressee as USER@NODE");
    c->add_option("--time", cr.Time, "Time of sending as YYYYMMDDHHMMSS (default: now)");
    c->add_flag("--sequential", cr.Sequential, "One file as a sequential dataset");
    c->add_option("--rename", cr.Renames, "FILE=MEMBER: the member name for that file");
    c->add_flag("--truncate", cr.Truncate, "Cut lines longer than the record length");
    c->add_option("--user", cr.User, "User ID of the ISPF statistics (default: the sender)");
    c->add_flag("--no-stats", cr.NoStats, "No ISPF statistics");
    c->add_flag("--overwrite", cr.Overwrite, "Replace an existing OUTPUT");
    return c;
}

int Create::Run(const CodePage* characters) {
    options_.Characters = characters;
    return CreateCommand(options_);
}

}  // namespace corvane::cli
