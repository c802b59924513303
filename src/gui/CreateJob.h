#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "create/CreatePlan.h"
#include "create/XmitCreator.h"
#include "ports/Progress.h"
#include "util/Result.h"

namespace corvane::gui {

// What the Create XMIT file window was given, as the user typed it.
struct CreateRequest {
    std::vector<std::filesystem::path> Files;
    std::string Dsn;  // empty: from the output file's name
    std::string Recfm = "FB";
    std::string Lrecl = "80";
    std::string Blksize;  // empty: as the system would choose it
    bool Text = true;
    int CodePage = 0;
    std::filesystem::path Message;  // empty: no message
    std::string From = "CORVANE@CORVANE";
    std::string To = "CORVANE@CORVANE";
    bool Sequential = false;
    std::filesystem::path Output;
};

// A request made into a plan. Every file has been read once, so that every
// problem is known before anything is written.
class CreateJob {
  public:
    explicit CreateJob(const CreateRequest& request);

    // What keeps the file from being written, one line each; empty when
    // it can be.
    const std::vector<std::string>& Problems() const { return problems_; }
    bool Sequential() const { return sequential_; }
    const std::filesystem::path& Output() const { return output_; }

    // Writes the file; it appears only when the whole write succeeded. An
    // existing file is replaced only when replace is set.
    Result<create::CreateSummary> Write(bool replace, Progress* progress) const;

  private:
    std::vector<std::string> problems_;
    bool sequential_ = false;
    std::filesystem::path output_;
    create::LibraryPlan library_;
    create::SequentialPlan dataset_;
};

}  // namespace corvane::gui
