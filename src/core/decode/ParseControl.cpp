// Control records INMR01 to INMR07 and their text units.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "decode/ParseRun.h"
#include "decode/S390format.h"

namespace corvane::parse {

namespace {
constexpr std::uint8_t kInmr0[5] = {0xC9, 0xD5, 0xD4, 0xD9, 0xF0};  // "INMR0" in EBCDIC

std::string Hex4(std::uint32_t key) {
    char hex[5];
    std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(key & 0xFFFF));
    return hex;
}

// Reads YYYYMMDDHHMMSS digits, as far as they are there and valid.
std::optional<DateTime> TimestampValue(const std::string& digits) {
    auto number = [&](std::size_t at, std::size_t n, int& out) {
        if (digits.size() < at + n) return false;
        out = 0;
        for (std::size_t k = at; k < at + n; ++k) {
            if (digits[k] < '0' || digits[k] > '9') return false;
            out = out * 10 + (digits[k] - '0');
        }
        return true;
    };
    DateTime t;
    if (!number(0, 4, t.Date.Year) || !number(4, 2, t.Date.Month) || !number(6, 2, t.Date.Day)) {
        return std::nullopt;
    }
    if (t.Date.Month < 1 || t.Date.Month > 12 || t.Date.Day < 1 || t.Date.Day > 31) {
        return std::nullopt;
    }
    if (number(8, 2, t.Hour) && number(10, 2, t.Minute)) number(12, 2, t.Second);
    return t;
}
}  // namespace

bool LooksLikeXmitRecord(const std::uint8_t* record, std::size_t n) {
    return n >= 8 && std::memcmp(record + 2, kInmr0, 5) == 0 && (record[7] & 0x0F) != 0;
}

void ParseRun::ProcessControlRecord() {
    int type = 0;
    if (LooksLikeXmitRecord(record_.data(), record_.size())) type = record_[7] & 0x0F;
    const std::size_t n = record_.size();
    switch (type) {
        case 1: {
            Reason = "INMR01 record";
            Dump(record_.data(), n, "Header: INMR01", recordOffset_);
            FileDescription scratch;
            ParseTextUnits(8, scratch, true);
            return;
        }
        case 2: {
            Reason = "INMR02 record";
            Dump(record_.data(), n, "Header: INMR02", recordOffset_);
            if (n < 12) Fail("INMR02 record too short for its file number");
            const std::uint32_t number = BigEndianField(record_.data(), 8, 4);
            std::uint32_t highest = 0;
            for (const FileDescription& f : files_) highest = std::max(highest, f.Number);
            if (dataFile_ > 0) Fail("INMR02 record after the data of the files began");
            if (number == 0 || number > highest + 1) {
                Fail("INMR02 record for file " + std::to_string(number) + " out of order");
            }
            FileDescription* file = nullptr;
            for (FileDescription& f : files_) {
                if (f.Number == number) file = &f;
            }
            if (!file) {
                files_.push_back(FileDescription{});
                file = &files_.back();
                file->Number = number;
            }
            // Once a file is known to be an IEBCOPY unload, its later INMR02
            // records describe the unload container, not the dataset.
            FileDescription scratch = *file;
            ParseTextUnits(12, file->Iebcopy ? scratch : *file, false);
            if (scratch.Message) file->Message = true;
            if (scratch.SaidPartitioned) file->SaidPartitioned = true;
            if (scratch.Dataset.Organization == DatasetOrganization::PartitionedExtended) {
                file->Dataset.Organization = DatasetOrganization::PartitionedExtended;
            }
            if (file->Vsam) throw Unsupported{"Sorry VSAM content is not supported."};
            return;
        }
        case 3:
            Reason = "INMR03 record";
            Dump(record_.data(), n, "Header: INMR03", recordOffset_);
            StartFileData();
            return;
        case 4:
        case 7: {
            // User control and acknowledgement records carry nothing shown,
            // but their text units must be sound.
            Reason = type == 4 ? "INMR04 record" : "INMR07 record";
            FileDescription scratch;
            TransferHeader transfer = Info.Transfer;
            ParseTextUnits(8, scratch, true);
            Info.Transfer = transfer;
            return;
        }
        case 6:
            Dump(record_.data(), n, "Header: INMR06", recordOffset_);
            Info.TrailerEnd = in_.Position();
            FinishDescription();
            return;
        default:
            Reason = "Control record";
            Fail("Unknown control record encountered");
    }
}

void ParseRun::ParseTextUnits(std::size_t offset, FileDescription& file, bool header) {
    const std::size_t end = record_.size();
    std::vector<std::pair<std::size_t, std::size_t>> items;
    while (offset < end) {
        if (offset + 4 > end) Fail("Text unit header runs past the end of its record");
        const std::uint32_t key = BigEndianField(record_.data(), offset, 2);
        const std::size_t count = BigEndianField(record_.data(), offset + 2, 2);
        offset += 4;
        // Member names may come with two zero bytes before their items.
        if (key == 0x0003 && count > 0 && offset + 4 <= end && record_[offset] == 0 &&
            record_[offset + 1] == 0) {
            offset += 2;
        }
        items.clear();
        for (std::size_t item = 0; item < count; ++item) {
            if (offset + 2 > end) Fail("Text unit item runs past the end of its record");
            const std::size_t length = BigEndianField(record_.data(), offset, 2);
            if (offset + 2 + length > end) Fail("Text unit item runs past the end of its record");
            items.emplace_back(offset + 2, length);
            offset += 2 + length;
        }
        HandleTextUnit(key, items, file, header);
    }
}

void ParseRun::HandleTextUnit(std::uint32_t key,
                              const std::vector<std::pair<std::size_t, std::size_t>>& items,
                              FileDescription& file, bool header) {
    const std::uint8_t* base = record_.data();
    auto data = [&](std::size_t k) { return base + items[k].first; };
    auto length = [&](std::size_t k) { return items[k].second; };
    auto number = [&]() -> std::uint32_t {
        return items.empty() ? 0 : BigEndianField(data(0), 0, length(0));
    };
    auto name = [&](std::size_t max) {
        if (items.empty()) return std::string();
        return Text(data(0), length(0) < max ? length(0) : max);
    };
    TransferHeader& t = Info.Transfer;
    DatasetInfo& d = file.Dataset;
    switch (key) {
        case 0x0002: {  // INMDSNAM: one item per qualifier
            d.NameSent = true;
            d.Name.clear();
            for (std::size_t k = 0; k < items.size(); ++k) {
                if (k > 0) d.Name += '.';
                d.Name += Text(data(k), length(k) < 44 ? length(k) : 44);
            }
            return;
        }
        case 0x0003:  // INMMEMBR: the member names sent; the first is shown
            if (!items.empty() && d.NameSent) {
                d.Name += "(" + Text(data(0), length(0) < 8 ? length(0) : 8) + ")";
            }
            return;
        case 0x0028:  // INMTERM: a flag with no items
            if (!items.empty()) Fail("INMTERM text unit with items");
            file.Message = true;
            return;
        case 0x0030:
            d.Blksize = number();
            return;
        case 0x0042:
            if (!header) d.Lrecl = number();
            return;
        case 0x102F:
            t.FileCount = number();
            return;
        case 0x003C: {  // INMDSORG
            if (items.empty()) return;
            const std::uint8_t* p = data(0);
            const std::size_t n = length(0);
            if (n >= 1 && p[0] == 0x02) {
                file.SaidPartitioned = true;
                if (d.Organization != DatasetOrganization::PartitionedExtended) {
                    d.Organization = DatasetOrganization::Partitioned;
                }
            } else if (n >= 1 && p[0] == 0x40) {
                d.Organization = DatasetOrganization::Sequential;
            } else if (n >= 2 && p[1] == 0x08) {
                d.Organization = DatasetOrganization::Vsam;
                file.Vsam = true;
            }
            return;
        }
        case 0x0049: {  // INMRECFM
            const std::uint8_t b = !items.empty() && length(0) >= 1 ? data(0)[0] : 0;
            RecordFormat& r = d.Recfm;
            r = RecordFormat{};
            switch (b & 0xC0) {
                case 0x80:
                    r.Kind = 'F';
                    break;
                case 0x40:
                    r.Kind = 'V';
                    break;
                case 0xC0:
                    r.Kind = 'U';
                    break;
                default:
                    r.Kind = '?';
                    PendingDetails = "Cannot determine RECFM of the content file.";
                    break;
            }
            r.Blocked = (b & 0x10) != 0;
            r.Spanned = (b & 0x08) != 0;
            r.Asa = (b & 0x04) != 0;
            r.Machine = (b & 0x02) != 0;
            r.NoDescriptors = !items.empty() && length(0) >= 2 && (data(0)[1] & 0x02) != 0;
            d.IspfDirectory = r.Blocked;
            return;
        }
        case 0x1001:
            t.ToNode = name(10);
            return;
        case 0x1002:
            t.ToUser = name(10);
            return;
        case 0x1011:
            t.FromNode = name(10);
            return;
        case 0x1012:
            t.FromUser = name(10);
            return;
        case 0x1024:  // INMFTIME
            t.Timestamp = EbcdicString(items.empty() ? base : data(0),
                                       items.empty() ? 0 : (length(0) < 20 ? length(0) : 20));
            t.Created = TimestampValue(t.Timestamp);
            return;
        case 0x1028: {  // INMUTILN
            const std::string utility = name(9);
            if (utility == "IEBCOPY") {
                file.Iebcopy = true;
            } else if (utility != "INMCOPY" && utility != "AMSCIPHR") {
                Fail("INMUTILN names an unknown utility");
            }
            return;
        }
        case 0x8012:  // INMTYPE: X'80' data library (PDSE)
            if (!items.empty() && length(0) >= 1 && (data(0)[0] & 0x80)) {
                d.Organization = DatasetOrganization::PartitionedExtended;
            }
            return;
        case 0x0001:  // INMDDNAM
        case 0x000B:  // INMSECND
        case 0x000C:  // INMDIR
        case 0x0022:  // INMEXPDT
        case 0x1020:  // INMLREF
        case 0x1021:  // INMLCHG
        case 0x1022:  // INMCREAT
        case 0x1023:  // INMFVERS
        case 0x1025:  // INMTTIME
        case 0x1026:  // INMFACK
        case 0x1027:  // INMERRCD
        case 0x1029:  // INMUSERP
        case 0x102A:  // INMRECCT
        case 0x102C:  // INMSIZE
        case 0x102D:  // INMFFM
            return;
        default:
            // A key this reader does not know is passed over by its length.
            if (dump_) dumpLines_->push_back("Text unit x" + Hex4(key) + " not known: skipped");
            return;
    }
}

// INMR03: the data of the next transmitted file follows.
void ParseRun::StartFileData() {
    ++dataFile_;
    const FileDescription* file = nullptr;
    for (const FileDescription& f : files_) {
        if (f.Number == dataFile_) file = &f;
    }
    if (!file) {
        Fail("INMR03 record for file " + std::to_string(dataFile_) +
             ", which no INMR02 record describes");
    }
    if (file->Message) {
        if (file->Iebcopy) Fail("A message file sent as an IEBCOPY unload");
        phase_ = Phase::Message;
        return;
    }
    // Messages come first; the dataset is the last file sent.
    for (const FileDescription& f : files_) {
        if (f.Number > file->Number) {
            Fail("INMR03 record of file " + std::to_string(file->Number) +
                 " is not that of the dataset, the last file");
        }
    }
    const DatasetOrganization org = file->Dataset.Organization;
    if (!file->Iebcopy && (file->SaidPartitioned || org == DatasetOrganization::Partitioned ||
                           org == DatasetOrganization::PartitionedExtended)) {
        Fail(
            "The unload records of the partitioned dataset are missing: no INMUTILN names "
            "IEBCOPY");
    }
    datasetChosen_ = true;
    Info.Dataset = file->Dataset;
    if (file->Iebcopy) {
        Info.Partitioned = true;
        if (Info.Dataset.Organization != DatasetOrganization::PartitionedExtended) {
            Info.Dataset.Organization = DatasetOrganization::Partitioned;
        }
        phase_ = Phase::Copyr1;
    } else {
        phase_ = Phase::Headers;
        sequentialNext_ = true;
    }
}

// INMR06 (or the end of what is read): the parse is over.
void ParseRun::FinishDescription() {
    switch (phase_) {
        case Phase::Copyr1:
            Fail("The IEBCOPY unload record COPYR1 announced by INMUTILN never came");
        case Phase::Copyr2:
            Fail("The IEBCOPY unload record COPYR2 never came");
        case Phase::Directory:
            Fail("The member directory never came or has no end");
        default:
            break;
    }
    // Every file described must have had its data.
    for (const FileDescription& f : files_) {
        if (f.Number > dataFile_) {
            Fail("The data of file " + std::to_string(f.Number) + " is missing");
        }
    }
    phase_ = Phase::Done;
}

}  // namespace corvane::parse
