#include "tape/TapeLayout.h"

#include "tape/TapeError.h"
#include "tape/TapeLabels.h"

namespace corvane::tape {

namespace {

class Layout {
  public:
    Layout(const ChunkIndex& index, const LabelReader& label) : index_(index), label_(label) {}

    Result<TapeLayout> Run() {
        CountBlocks();
        const PhysicalFile& first = index_.Files.front();
        std::optional<std::string> vol1;
        if (first.Count > 0) {
            auto text = label_(first.First);
            if (!text) return text.Err();
            if (text.Value() && LabelId(*text.Value()) == "VOL1") vol1 = *text.Value();
        }
        Status done = vol1 ? Labelled(*vol1) : Unlabelled();
        if (!done) return done.Err();
        if (index_.Trailing > 0) {
            Note("The last " + std::to_string(index_.Trailing) +
                 " bytes of the image are too few for a chunk header: they were ignored.");
        }
        return std::move(out_);
    }

  private:
    void CountBlocks() {
        TapeInfo& info = out_.Info;
        info.PhysicalFiles = index_.Files.size();
        for (const TapeBlock& b : index_.Blocks) {
            if (b.Packing == Compression::Zlib)
                ++info.ZlibBlocks;
            else if (b.Packing == Compression::Bzip2)
                ++info.Bzip2Blocks;
            else
                ++info.PlainBlocks;
        }
        info.Het = info.ZlibBlocks + info.Bzip2Blocks > 0;
    }

    void Note(std::string text) { out_.Info.Notes.push_back(std::move(text)); }

    TapeFileInfo& AddFile(const PhysicalFile& data) {
        TapeFileInfo f;
        f.Number = out_.Info.Files.size() + 1;
        f.Recfm = "U";
        f.Blocks = data.Count;
        std::int64_t bytes = 0;
        for (std::size_t k = data.First; k < data.First + data.Count && bytes >= 0; ++k) {
            const TapeBlock& b = index_.Blocks[k];
            bytes = b.Measured ? bytes + b.Length : -1;
        }
        f.Bytes = bytes;
        out_.Info.Files.push_back(std::move(f));
        out_.Data.push_back(data);
        return out_.Info.Files.back();
    }

    static std::string Named(const TapeFileInfo& f) {
        std::string name = "File " + std::to_string(f.Number);
        if (!f.Dsn.empty()) name += " (" + f.Dsn + ")";
        return name;
    }

    // Blocks in physical files from `from` on are past the recorded data.
    void NoteBlocksAfter(std::size_t from) {
        std::size_t blocks = 0;
        for (std::size_t k = from; k < index_.Files.size(); ++k) blocks += index_.Files[k].Count;
        if (blocks > 0) {
            Note(std::to_string(blocks) +
                 " blocks follow the end of the recorded data (two tapemarks): they are not "
                 "listed.");
        }
    }

    Status Unlabelled() {
        const auto& files = index_.Files;
        for (std::size_t k = 0; k < files.size(); ++k) {
            const PhysicalFile& pf = files[k];
            if (pf.Count == 0) {
                if (k > 0 && pf.Tapemark && files[k - 1].Tapemark) {
                    NoteBlocksAfter(k + 1);
                    return Success();
                }
                continue;
            }
            const TapeFileInfo& f = AddFile(pf);
            if (!pf.Tapemark) {
                Note("The tape ends without a tapemark after the data of " + Named(f) +
                     ": it is read to the end of the image.");
            }
        }
        return Success();
    }

    // The label texts of blocks [from, to) of a label file.
    Result<std::vector<std::string>> Labels(std::size_t from, std::size_t to) {
        std::vector<std::string> labels;
        for (std::size_t k = from; k < to; ++k) {
            auto text = label_(k);
            if (!text) return text.Err();
            if (!text.Value()) {
                const TapeBlock& b = index_.Blocks[k];
                return Damage("The label block at offset " + std::to_string(b.Offset) +
                                  " is not 80 bytes long: the labels are cut short",
                              b.Offset);
            }
            labels.push_back(std::move(*text.Value()));
        }
        return labels;
    }

    Status Labelled(const std::string& vol1) {
        TapeInfo& info = out_.Info;
        info.Labelled = true;
        info.Volser = Field(vol1, 4, 6);
        info.Owner = Field(vol1, 41, 10);
        const auto& files = index_.Files;
        // The header labels of the first dataset follow VOL1 (and any UVL
        // labels) in the first physical file.
        std::size_t p = 0;
        std::size_t from = files[0].First + 1;
        for (;;) {
            const PhysicalFile& head = files[p];
            const std::size_t end = head.First + head.Count;
            auto labels = Labels(from, end);
            if (!labels) return labels.Err();
            std::vector<std::string>& group = labels.Value();
            while (!group.empty() && LabelId(group.front()).substr(0, 3) == "UVL")
                group.erase(group.begin());
            if (group.empty()) {
                NoteBlocksAfter(p + 1);
                return Success();
            }
            if (LabelId(group.front()) != "HDR1") {
                return Damage("The header labels at offset " +
                                  std::to_string(index_.Blocks[end - group.size()].Offset) +
                                  " start with " + LabelId(group.front()) + ", not HDR1",
                              index_.Blocks[end - group.size()].Offset);
            }
            const std::string* hdr2 = nullptr;
            for (std::size_t k = 1; k < group.size() && !hdr2; ++k)
                if (LabelId(group[k]) == "HDR2") hdr2 = &group[k];
            const bool last = !head.Tapemark || p + 1 >= files.size();
            TapeFileInfo& f = AddFile(last ? PhysicalFile{end, 0, false} : files[p + 1]);
            ApplyHeaderLabels(f, group.front(), hdr2);
            if (!hdr2) {
                Note("HDR1 of " + Named(f) +
                     " is not followed by HDR2: its record format is not known.");
            }
            if (info.Files.size() == 1) NoteFirstVolume(f, group.front());
            if (last) {
                Note("The tape ends after the header labels of " + Named(f) + ".");
                return Success();
            }
            const PhysicalFile& data = files[p + 1];
            if (!data.Tapemark) {
                Note("The tape ends without a tapemark after the data of " + Named(f) +
                     ": its trailer labels are missing.");
                return Success();
            }
            const PhysicalFile& tail = files[p + 2];
            auto trailer = Labels(tail.First, tail.First + tail.Count);
            if (!trailer) return trailer.Err();
            if (trailer->empty()) {
                Note(Named(f) + " has no trailer labels (EOF1) after its data.");
                NoteBlocksAfter(p + 3);
                return Success();
            }
            const std::string& eof1 = trailer->front();
            const std::string id = LabelId(eof1);
            if (id != "EOF1" && id != "EOV1") {
                return Damage("The trailer labels at offset " +
                                  std::to_string(index_.Blocks[tail.First].Offset) +
                                  " start with " + id + ", not EOF1",
                              index_.Blocks[tail.First].Offset);
            }
            f.Eof1 = eof1;
            f.Eof1BlockCount = BlockCount(eof1);
            if (f.Eof1BlockCount && *f.Eof1BlockCount != f.Blocks) {
                Note("The " + id + " label of " + Named(f) + " counts " +
                     std::to_string(*f.Eof1BlockCount) + " blocks, but the file has " +
                     std::to_string(f.Blocks) + ".");
            }
            if (id == "EOV1") {
                Note(Named(f) +
                     " continues on another volume (EOV1): its data on this tape is incomplete.");
            }
            if (!tail.Tapemark) {
                Note("The tape ends without a tapemark after the trailer labels of " + Named(f) +
                     ".");
                return Success();
            }
            p += 3;
            from = files[p].First;
        }
    }

    // A volume whose first dataset is not the first of the first volume is
    // part of a multi-volume set.
    void NoteFirstVolume(const TapeFileInfo& f, const std::string& hdr1) {
        const auto volume = Number(hdr1, 27, 4);
        const bool laterVolume = volume && *volume != 1;
        const bool laterFile = f.Sequence && *f.Sequence != 1;
        if (laterVolume || laterFile) {
            Note("This tape is " +
                 (laterVolume ? "volume " + std::to_string(*volume) : std::string("a volume")) +
                 " of a multi-volume set: the data of " + Named(f) +
                 " begins on another volume and is incomplete here.");
        }
    }

    const ChunkIndex& index_;
    const LabelReader& label_;
    TapeLayout out_;
};

}  // namespace

Result<TapeLayout> LayOut(const ChunkIndex& index, const LabelReader& label) {
    return Layout(index, label).Run();
}

}  // namespace corvane::tape
