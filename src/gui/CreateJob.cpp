#include "CreateJob.h"

#include <algorithm>
#include <ctime>
#include <map>
#include <memory>

#include "create/CreateInputs.h"
#include "create/FileBlocks.h"
#include "create/IspfStats.h"
#include "io/AtomicWriter.h"
#include "io/OpenInputs.h"
#include "io/OutputName.h"
#include "text/CodePage.h"

namespace corvane::gui {

namespace {

// A number typed in a box: empty or not a number gives false.
bool Number(const std::string& text, std::uint32_t& value) {
    if (text.empty() || text.size() > 9) return false;
    if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    value = static_cast<std::uint32_t>(std::stoul(text));
    return true;
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

}  // namespace

CreateJob::CreateJob(const CreateRequest& r) : sequential_(r.Sequential), output_(r.Output) {
    std::vector<std::string>& problems = problems_;
    const CodePage* page = CodePage::Find(r.CodePage);

    // The members' names, from the files' names.
    std::vector<std::string> names;
    std::vector<bool> named;  // the name is valid and no other file's
    std::map<std::string, std::string> owners;
    for (const std::filesystem::path& file : r.Files) {
        const std::string fileName = PathToUtf8(file.filename());
        const std::string name = create::NameFromFile(file);
        bool good = true;
        if (!sequential_ && !create::ValidMemberName(name)) {
            problems.push_back(fileName + ": \"" + DisplayName(name) +
                               "\" is not a valid member name (1 to 8 of A-Z 0-9 @ # $, not "
                               "starting with a digit)");
            good = false;
        } else if (!sequential_) {
            const auto [it, fresh] = owners.emplace(name, fileName);
            if (!fresh) {
                problems.push_back(it->second + " and " + fileName + " both become member " + name);
                good = false;
            }
        }
        names.push_back(name);
        named.push_back(good);
    }
    if (r.Files.empty()) {
        problems.push_back("No files to put in the XMIT file");
    } else if (sequential_ && r.Files.size() != 1) {
        problems.push_back("A sequential dataset is made of one file; " +
                           std::to_string(r.Files.size()) + " were chosen");
    }

    std::string dsn = create::Upper(r.Dsn);
    if (dsn.empty()) {
        dsn = create::Upper(PathToUtf8(r.Output.stem()));
        if (!create::ValidDatasetName(dsn)) dsn = "CORVANE.DATA";
    }
    if (!create::ValidDatasetName(dsn)) {
        problems.push_back("\"" + r.Dsn +
                           "\" is not a valid dataset name (qualifiers of 1 to 8 characters "
                           "A-Z 0-9 @ # $ -, joined by dots, 44 at most)");
    }

    create::TransmissionPlan t;
    if (!create::SplitAddress(r.From, t.FromUser, t.FromNode)) {
        problems.push_back("From \"" + r.From + "\": give USER@NODE, each 1 to 8 characters");
    }
    if (!create::SplitAddress(r.To, t.ToUser, t.ToNode)) {
        problems.push_back("To \"" + r.To + "\": give USER@NODE, each 1 to 8 characters");
    }
    t.Timestamp = create::Stamp14(create::LocalTime(std::time(nullptr)));
    if (!r.Message.empty()) {
        std::string problem;
        if (!create::MessageRecords(r.Message, page, t.Message, problem))
            problems.push_back(problem);
    }

    if (r.Output.empty()) {
        problems.push_back("Choose the output file");
    } else if (IsOpenInput(r.Output)) {
        problems.push_back(PathToUtf8(r.Output) +
                           " is a file open in the program; it is never "
                           "written");
    } else if (std::any_of(r.Files.begin(), r.Files.end(),
                           [&](const auto& f) { return SameFile(f, r.Output); })) {
        problems.push_back(PathToUtf8(r.Output) + " is one of the files to put in it");
    }

    // The format, and every file read through it once.
    create::WriteFormat f;
    std::vector<std::string> formatProblems;
    if (!create::ParseFormat(r.Recfm, f)) {
        formatProblems.push_back("The record format must be F, FB, V, VB or U");
    } else {
        if (f.Kind == 'U') {
            f.Lrecl = 0;
        } else if (!Number(r.Lrecl, f.Lrecl)) {
            f.Lrecl = 0;
            if (!r.Lrecl.empty())
                formatProblems.push_back("The record length \"" + r.Lrecl + "\" is not a number");
        }
        f.Blksize = 0;
        if (!r.Blksize.empty() && !Number(r.Blksize, f.Blksize)) {
            formatProblems.push_back("The block size \"" + r.Blksize + "\" is not a number");
        }
        if (f.Blksize == 0 && formatProblems.empty()) f.Blksize = create::SystemBlockSize(f);
        if (formatProblems.empty()) formatProblems = create::FormatProblems(f, !sequential_);
        if (r.Text && f.Kind == 'U')
            formatProblems.push_back("Text cannot be written as RECFM U records");
    }
    problems.insert(problems.end(), formatProblems.begin(), formatProblems.end());
    std::vector<std::shared_ptr<create::FileBlocks>> blocks;
    for (const std::filesystem::path& file : r.Files) {
        create::EncodeOptions e;
        e.Format = f;
        e.Text = r.Text;
        e.Characters = page;
        blocks.push_back(std::make_shared<create::FileBlocks>(file, e));
    }
    if (formatProblems.empty()) {
        for (const std::string& refused : create::MeasureAll(blocks)) {
            if (!refused.empty()) problems.push_back(refused);
        }
    }

    if (sequential_) {
        dataset_.Transmission = t;
        dataset_.DatasetName = dsn;
        dataset_.Format = f;
        if (!blocks.empty()) dataset_.Data = blocks.front();
        return;
    }
    library_.Transmission = t;
    library_.DatasetName = dsn;
    library_.Format = f;
    for (std::size_t i = 0; i < r.Files.size(); ++i) {
        if (!named[i]) continue;  // already told
        create::MemberPlan m;
        m.Name = names[i];
        m.Data = blocks[i];
        if (f.Kind != 'U' && formatProblems.empty()) {
            m.UserData = create::IspfUserData(create::NewStatistics(
                create::FileTime(r.Files[i]), blocks[i]->Records(), t.FromUser));
        }
        library_.Members.push_back(std::move(m));
    }
    for (const std::string& p : create::LibraryProblems(library_)) {
        if (std::find(problems.begin(), problems.end(), p) == problems.end()) problems.push_back(p);
    }
}

Result<create::CreateSummary> CreateJob::Write(bool replace, Progress* progress) const {
    if (sequential_) return create::CreateXmitFile(output_, dataset_, replace, progress);
    return create::CreateXmitFile(output_, library_, replace, progress);
}

}  // namespace corvane::gui
