// Writing XMIT files from the windows: Create XMIT file of PC files, and
// Save as XMIT file of the open library.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>

#include "CreateXmitDialog.h"
#include "GuiSupport.h"
#include "Parsed.h"
#include "ProgressDialog.h"
#include "extract/MemberReader.h"
#include "ports/Progress.h"

using namespace corvane;
using namespace corvane::gui;
using namespace corvane::testing;

namespace {
QString Text(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
    WriteFile(path, Bytes(text.begin(), text.end()));
}

// Fixed 80-byte EBCDIC records of the lines.
Bytes Records(const std::vector<std::string>& lines) {
    Bytes out;
    for (std::string line : lines) {
        line.resize(80, ' ');
        const Bytes card = ToEbcdic(line);
        out.insert(out.end(), card.begin(), card.end());
    }
    return out;
}

const MemberEntry* Member(const XmitInfo& info, const std::string& name) {
    for (const MemberEntry& m : info.Members) {
        std::string trimmed = m.Name;
        while (!trimmed.empty() && trimmed.back() == ' ') trimmed.pop_back();
        if (trimmed == name) return &m;
    }
    return nullptr;
}

Bytes Data(Parsed& p, const MemberEntry& m) {
    MemberReader reader(p.Source, p.Info());
    Bytes data;
    ReadRequest r;
    r.Member = &m;
    r.Bytes = &data;
    NullProgress quiet;
    EXPECT_TRUE(reader.Read(r, quiet).Ok());
    return data;
}

std::vector<std::string> Names(const XmitInfo& info) {
    std::vector<std::string> out;
    for (const MemberEntry& m : info.Members) {
        std::string trimmed = m.Name;
        while (!trimmed.empty() && trimmed.back() == ' ') trimmed.pop_back();
        out.push_back(trimmed);
    }
    return out;
}

// Runs Create XMIT file; fill sets the window's controls before Create is
// clicked. Returns the window's result.
int RunCreate(MainFixture& f, const std::function<void(CreateXmitDialog&)>& fill) {
    int result = -1;
    f.Dialogs.ExecHandlers.push_back([&](QDialog& d) {
        auto& create = dynamic_cast<CreateXmitDialog&>(d);
        fill(create);
        Find<QPushButton>(&d, "CmdCreateOK")->click();
        result = d.result();
        return result;
    });
    Find<QAction>(f.Window.get(), "MnuFileCreate")->trigger();
    EXPECT_FALSE(f.Dialogs.ExecWindows.empty());
    if (!f.Dialogs.ExecWindows.empty()) {
        EXPECT_EQ(f.Dialogs.ExecWindows.back(), "FrmCreate");
    }
    return result;
}

// Adds files one by one through the Add files button.
void AddFiles(MainFixture& f, QDialog& d, const std::vector<std::filesystem::path>& files) {
    for (const auto& file : files) {
        f.Dialogs.OpenAnswers.push_back(Text(file));
        Find<QPushButton>(&d, "CmdCreateAddFiles")->click();
    }
}
}  // namespace

TEST(CreateXmit, AFolderBecomesALibraryWhoseMembersReadBack) {
    MainFixture f;
    f.Start();
    const auto in = f.Dir / "in";
    std::filesystem::create_directories(in / "sub");
    WriteText(in / "alpha.txt", "HELLO\nWORLD\n");
    WriteText(in / "beta.jcl", "//JOB CARD\r\n");
    WriteText(in / "sub" / "gamma.txt", "NOT TAKEN\n");
    const auto out = f.Dir / "new.xmi";
    const int result = RunCreate(f, [&](CreateXmitDialog& d) {
        f.Dialogs.FolderAnswers.push_back(Text(in));
        Find<QPushButton>(&d, "CmdCreateAddFolder")->click();
        EXPECT_EQ(Find<QListWidget>(&d, "TxtCreateFiles")->count(), 2);
        Find<QLineEdit>(&d, "TxtCreateDsn")->setText("user.new.lib");
        Find<QLineEdit>(&d, "TxtCreateFrom")->setText("me@home");
        Find<QLineEdit>(&d, "TxtCreateOutput")->setText(Text(out));
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_TRUE(f.Dialogs.Messages.empty());
    EXPECT_EQ(f.Window->StatusText(0), "Created new.xmi: 2 members.");

    Parsed p(ReadFile(out));
    ASSERT_TRUE(p.Ok()) << p.Err().Message;
    EXPECT_TRUE(p.Info().Partitioned);
    EXPECT_EQ(p.Info().Dataset.Name, "USER.NEW.LIB");
    EXPECT_EQ(p.Info().Dataset.Recfm.Kind, 'F');
    EXPECT_TRUE(p.Info().Dataset.Recfm.Blocked);
    EXPECT_EQ(p.Info().Dataset.Lrecl, 80u);
    EXPECT_EQ(p.Info().Transfer.FromUser, "ME");
    EXPECT_EQ(p.Info().Transfer.FromNode, "HOME");
    EXPECT_EQ(Names(p.Info()), (std::vector<std::string>{"ALPHA", "BETA"}));
    const MemberEntry* alpha = Member(p.Info(), "ALPHA");
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(Data(p, *alpha), Records({"HELLO", "WORLD"}));
    ASSERT_TRUE(alpha->Ispf.has_value());
    EXPECT_EQ(alpha->Ispf->Lines, 2u);
    EXPECT_EQ(alpha->Ispf->User, "ME      ");
    EXPECT_EQ(Data(p, *Member(p.Info(), "BETA")), Records({"//JOB CARD"}));
}

TEST(CreateXmit, TheRecordFormatSetsTheRecordLengthAndTheData) {
    MainFixture f;
    MainWindow& w = f.Start();
    CreateXmitDialog d(&w, f.Dialogs, 0);
    EXPECT_EQ(Find<QComboBox>(&d, "CboCreateRecfm")->currentText(), "FB");
    EXPECT_EQ(Find<QLineEdit>(&d, "TxtCreateLrecl")->text(), "80");
    EXPECT_TRUE(Find<QRadioButton>(&d, "OptCreateText")->isChecked());
    Find<QComboBox>(&d, "CboCreateRecfm")->setCurrentText("VB");
    EXPECT_EQ(Find<QLineEdit>(&d, "TxtCreateLrecl")->text(), "255");
    Find<QComboBox>(&d, "CboCreateRecfm")->setCurrentText("U");
    EXPECT_FALSE(Find<QLineEdit>(&d, "TxtCreateLrecl")->isEnabled());
    EXPECT_TRUE(Find<QRadioButton>(&d, "OptCreateBinary")->isChecked());
    Find<QComboBox>(&d, "CboCreateRecfm")->setCurrentText("F");
    EXPECT_TRUE(Find<QLineEdit>(&d, "TxtCreateLrecl")->isEnabled());
    EXPECT_EQ(Find<QLineEdit>(&d, "TxtCreateLrecl")->text(), "80");
    EXPECT_EQ(d.Request().Recfm, "F");
    EXPECT_FALSE(d.Request().Text);
}

TEST(CreateXmit, EveryProblemIsListedInOneMessageAndNothingIsWritten) {
    MainFixture f;
    f.Start();
    const auto in = f.Dir / "in";
    std::filesystem::create_directories(in);
    const std::vector<std::filesystem::path> files = {
        in / "1st.txt", in / "toolongname.txt", in / "dup.txt", in / "DUP.jcl", in / "wide.txt"};
    for (const auto& file : files) WriteText(file, "LINE\n");
    WriteText(in / "wide.txt", "SHORT\n" + std::string(100, 'W') + "\n");
    const auto out = f.Dir / "bad.xmi";
    const auto before = FileNames(f.Dir.Path());
    const int result = RunCreate(f, [&](CreateXmitDialog& d) {
        AddFiles(f, d, files);
        Find<QLineEdit>(&d, "TxtCreateDsn")->setText("BAD..NAME");
        Find<QLineEdit>(&d, "TxtCreateTo")->setText("nobody");
        Find<QLineEdit>(&d, "TxtCreateOutput")->setText(Text(out));
    });
    EXPECT_NE(result, QDialog::Accepted);
    ASSERT_EQ(f.Dialogs.Messages.size(), 1u);
    const QString text = f.Dialogs.Messages[0].Text;
    EXPECT_EQ(f.Dialogs.Messages[0].Caption, "Create XMIT file");
    for (const char* part :
         {"1st.txt: \"1ST\" is not a valid member name", "toolongname.txt: \"TOOLONGNAME\"",
          "dup.txt and DUP.jcl both become member DUP", "\"BAD..NAME\" is not a valid dataset",
          "To \"nobody\"", "wide.txt is 100 characters long", "Nothing was written."}) {
        EXPECT_TRUE(text.contains(part)) << part << "\n" << text.toStdString();
    }
    EXPECT_FALSE(text.contains("--truncate"));
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(FileNames(f.Dir.Path()), before);
    EXPECT_EQ(FileNames(in).size(), files.size());
}

TEST(CreateXmit, AnExistingFileIsReplacedOnlyWhenTheUserSaysSo) {
    MainFixture f;
    f.Start();
    const auto file = f.Dir / "data.txt";
    WriteText(file, "ONE RECORD\n");
    const auto out = f.Dir / "old.xmi";
    WriteText(out, "old");
    auto fill = [&](CreateXmitDialog& d) {
        AddFiles(f, d, {file});
        Find<QCheckBox>(&d, "ChkCreateSequential")->setChecked(true);
        Find<QLineEdit>(&d, "TxtCreateOutput")->setText(Text(out));
    };
    f.Dialogs.QuestionAnswers = {MessageAnswer::No};
    EXPECT_NE(RunCreate(f, fill), QDialog::Accepted);
    ASSERT_EQ(f.Dialogs.Messages.size(), 1u);
    EXPECT_EQ(f.Dialogs.Messages[0].Buttons, MessageButtons::YesNo);
    EXPECT_TRUE(f.Dialogs.Messages[0].Text.contains("already exists"));
    EXPECT_EQ(ReadFile(out), Bytes({'o', 'l', 'd'}));

    f.Dialogs.QuestionAnswers = {MessageAnswer::Yes};
    EXPECT_EQ(RunCreate(f, fill), QDialog::Accepted);
    EXPECT_EQ(f.Window->StatusText(0), "Created old.xmi: a sequential dataset.");
    Parsed p(ReadFile(out));
    ASSERT_TRUE(p.Ok()) << p.Err().Message;
    EXPECT_FALSE(p.Info().Partitioned);
    EXPECT_EQ(p.Info().Dataset.Name, "OLD");
}

TEST(CreateXmit, CancelLeavesNoFile) {
    MainFixture f;
    f.Start();
    const auto in = f.Dir / "in";
    std::filesystem::create_directories(in);
    for (int i = 0; i < 3; ++i) WriteText(in / ("m" + std::to_string(i) + ".txt"), "TEXT\n");
    const auto out = f.Dir / "out";
    std::filesystem::create_directories(out);
    // Cancel is pressed as soon as the write's progress window is there.
    QTimer press;
    press.setInterval(0);
    QObject::connect(&press, &QTimer::timeout, [&] {
        for (auto* p : f.Window->findChildren<ProgressDialog*>()) {
            if (p->windowTitle() != "Create XMIT file") continue;
            Find<QPushButton>(p, "BtnCancel")->click();
            press.stop();
        }
    });
    ProgressDialog::SetDefaultEventInterval(0);
    const int result = RunCreate(f, [&](CreateXmitDialog& d) {
        f.Dialogs.FolderAnswers.push_back(Text(in));
        Find<QPushButton>(&d, "CmdCreateAddFolder")->click();
        Find<QLineEdit>(&d, "TxtCreateOutput")->setText(Text(out / "lib.xmi"));
        press.start();
    });
    ProgressDialog::SetDefaultEventInterval(20);
    EXPECT_FALSE(press.isActive());  // it was pressed
    EXPECT_NE(result, QDialog::Accepted);
    EXPECT_TRUE(FileNames(out).empty());
    EXPECT_EQ(f.Window->StatusText(0), "Cancelled: lib.xmi was not written.");
}

namespace {
// The library's INMR02 of IEBCOPY says it is a PDSE: its size unit, of the
// same length, becomes the type unit with the data library bit.
void MarkPdse(Bytes& xmit) {
    const Bytes utility = ToEbcdic("IEBCOPY");
    auto at = std::search(xmit.begin(), xmit.end(), utility.begin(), utility.end());
    const Bytes size = {0x10, 0x2C, 0x00, 0x01, 0x00, 0x04, 0, 0, 0, 0};
    at = std::search(at, xmit.end(), size.begin(), size.end());
    ASSERT_NE(at, xmit.end());
    at[0] = 0x80;
    at[1] = 0x12;
    at[6] = 0x80;
}

void Select(MainWindow& w, const std::vector<std::string>& names) {
    Members(w)->clearSelection();
    for (int row = 0; row < Members(w)->Model().rowCount(); ++row) {
        const std::string caption = Members(w)->Model().Member(row).Caption.trimmed().toStdString();
        if (std::find(names.begin(), names.end(), caption) != names.end())
            Members(w)->SetRowSelected(row, true);
    }
}
}  // namespace

TEST(SaveAsXmit, TheSelectionIsWrittenWithTheMembersOfItsAliases) {
    MainFixture f;
    PdsSpec plan = MainFixture::Library(3);
    plan.Members.insert(plan.Members.begin(), {"ALIAS2", {}, true, "MEM2", {}});
    Bytes xmit = BuildPds(plan);
    MarkPdse(xmit);
    MainWindow& w = f.Start({Text(f.Write("lib.xmi", xmit))});
    ASSERT_EQ(w.OpenInfo()->Dataset.Organization, DatasetOrganization::PartitionedExtended);
    Select(w, {"ALIAS2", "MEM0"});
    ASSERT_EQ(Members(w)->SelectedCount(), 2);
    const auto out = f.Dir / "copy.xmi";
    f.Dialogs.SaveAnswers.push_back(Text(out));
    Find<QAction>(&w, "MnuXmitSaveAs")->trigger();
    ASSERT_EQ(f.Dialogs.SaveRequests.size(), 1u);
    EXPECT_EQ(f.Dialogs.SaveRequests[0].FileName, "USER.JCL.LIB.xmi");
    EXPECT_TRUE(f.Dialogs.Messages.empty());
    EXPECT_EQ(w.StatusText(0), "Saved copy.xmi: 3 members. The PDSE was written as a PDS.");

    Parsed p(ReadFile(out));
    ASSERT_TRUE(p.Ok()) << p.Err().Message;
    EXPECT_EQ(p.Info().Dataset.Organization, DatasetOrganization::Partitioned);
    EXPECT_EQ(p.Info().Dataset.Name, "USER.JCL.LIB");
    EXPECT_EQ(Names(p.Info()), (std::vector<std::string>{"ALIAS2", "MEM0", "MEM2"}));
    const MemberEntry* alias = Member(p.Info(), "ALIAS2");
    const MemberEntry* mem2 = Member(p.Info(), "MEM2");
    ASSERT_TRUE(alias && mem2);
    EXPECT_TRUE(alias->Alias);
    EXPECT_EQ(alias->Ttr, mem2->Ttr);
    EXPECT_EQ(Data(p, *mem2), plan.Members[3].Data);
    EXPECT_EQ(Data(p, *Member(p.Info(), "MEM0")), plan.Members[1].Data);
    EXPECT_EQ(Member(p.Info(), "MEM0")->UserData,
              std::string(plan.Members[1].UserData.begin(), plan.Members[1].UserData.end()));
}

TEST(SaveAsXmit, OnlyForAnOpenLibraryAndNeverOverTheOpenFile) {
    MainFixture f;
    MainWindow& w = f.Start();
    QAction* saveAs = Find<QAction>(&w, "MnuXmitSaveAs");
    EXPECT_FALSE(saveAs->isEnabled());
    SequentialSpec seq;
    seq.Records = {ToEbcdic(std::string(80, 's'))};
    f.Dialogs.OpenAnswers.push_back(Text(f.Write("seq.xmi", BuildSequential(seq))));
    w.MnuFileOpenClick();
    EXPECT_FALSE(saveAs->isEnabled());

    const auto lib = f.Write("lib.xmi", BuildPds(MainFixture::Library(3)));
    const Bytes before = ReadFile(lib);
    f.Dialogs.OpenAnswers.push_back(Text(lib));
    w.MnuFileOpenClick();
    EXPECT_TRUE(saveAs->isEnabled());
    f.Dialogs.SaveAnswers.push_back(Text(lib));
    saveAs->trigger();
    ASSERT_EQ(f.Dialogs.Messages.size(), 1u);
    EXPECT_TRUE(f.Dialogs.Messages[0].Text.contains("never written"));
    EXPECT_EQ(ReadFile(lib), before);

    // Nothing selected: the whole library.
    f.Dialogs.SaveAnswers.push_back(Text(f.Dir / "all.xmi"));
    saveAs->trigger();
    EXPECT_EQ(w.StatusText(0), "Saved all.xmi: 3 members.");
    Parsed p(ReadFile(f.Dir / "all.xmi"));
    ASSERT_TRUE(p.Ok()) << p.Err().Message;
    EXPECT_EQ(Names(p.Info()), (std::vector<std::string>{"MEM0", "MEM1", "MEM2"}));
}
