// Text-file import: both layouts with each separator, encodings and line
// ends, the header line, the default topic, the duplicate question and
// over-long texts.
#include "ExchangeFixture.h"

#include <unistd.h>
#include <QBuffer>
#include <QProcess>
#include <QStandardPaths>
#include <limits>
#include <new>

#include <optional>

#include "core/RunStateDb.h"
#include "exchange/TextImport.h"
#include "support/FileSizeLimit.h"

using namespace exchange;
using namespace exchangetest;

namespace {

using Rows = std::vector<QStringList>;

struct Parsed {
    TextPreview preview;
    Rows rows;
};

constexpr qint64 kNoLimit = std::numeric_limits<qint64>::max();

// The bytes read as a stream, `chunk` bytes at a time.
Parsed parseBytes(const QByteArray& bytes, const QString& sep,
                  TextLayout layout = TextLayout::QuestionAnswerTheme, bool header = false,
                  qint64 chunk = 1 << 16, qint64 budget = kNoLimit) {
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    Parsed out;
    out.preview = ParseImportLines(
        in, sep, layout, header, [&](const QStringList& row) { out.rows.push_back(row); }, budget, chunk);
    return out;
}

Rows parse(const QString& text, const QString& sep, TextLayout layout = TextLayout::QuestionAnswerTheme,
           bool header = false) {
    return parseBytes(text.toUtf8(), sep, layout, header).rows;
}

}  // namespace

TEST(TextImportParse, LayoutZeroWithEachSeparator) {
    for (const QString& sep : {QString("\t"), QString(","), QString(";"), QString("@")}) {
        const QString line = QStringList{"a", "b", "c"}.join(sep);
        EXPECT_EQ(parse(line, sep), (Rows{{"a", "b", "c"}})) << sep.toStdString();
        EXPECT_EQ(parse(QStringList{"a", "", "c"}.join(sep), sep), (Rows{{"a", "", "c"}}));
        EXPECT_EQ(parse(QStringList{"a", "b", "c", "d"}.join(sep), sep), (Rows{{"a", "b", "c"}}));
    }
    EXPECT_EQ(parse("a", ";"), (Rows{{"a", "", ""}}));
}

TEST(TextImportParse, LayoutOneTakesNineAnswers) {
    const Parsed p = parseBytes("a;b;c", ";", TextLayout::QuestionAnswers);
    ASSERT_EQ(p.rows.size(), 1u);
    EXPECT_EQ(p.rows[0].size(), 10);
    EXPECT_EQ(p.rows[0].mid(0, 4), (QStringList{"a", "b", "c", ""}));
    const Parsed full = parseBytes("q;1;2;3;4;5;6;7;8;9;10", ";", TextLayout::QuestionAnswers);
    EXPECT_EQ(full.rows[0].last(), "9");
    EXPECT_EQ(full.preview.extraFields, 1);
}

TEST(TextImportParse, BlanksTrimmedTabsKeptQuotesSplit) {
    EXPECT_EQ(parse("  a ; b\t;c  ", ";"), (Rows{{"a", "b\t", "c"}}));
    EXPECT_EQ(parse("\"x;y\";z", ";"), (Rows{{"\"x", "y\"", "z"}}));
}

TEST(TextImportParse, EmptyAndOneBlankLinesAreNotCountedTwoBlanksAre) {
    const Parsed p = parseBytes("\r\n \r\n  \r\nq;a;t\r\n", ";");
    EXPECT_EQ(p.preview.counted, 2);
    EXPECT_EQ(p.preview.rows, 2);
    EXPECT_EQ(p.rows, (Rows{{"", "", ""}, {"q", "a", "t"}}));
}

TEST(TextImportParse, HeaderSkipsTheFirstCountedLine) {
    Parsed p = parseBytes("\r\nq;a;t\r\nx;y;z", ";", TextLayout::QuestionAnswerTheme, true);
    EXPECT_EQ(p.preview.counted, 2);
    EXPECT_EQ(p.preview.skipped, 1);
    EXPECT_EQ(p.rows, (Rows{{"x", "y", "z"}}));
    p = parseBytes("only;one", ";", TextLayout::QuestionAnswerTheme, true);
    EXPECT_TRUE(p.rows.empty());
    EXPECT_EQ(p.preview.counted - p.preview.skipped, 0);
}

// The file is read a chunk at a time: a line, a character or the byte-order
// mark cut by a chunk's end reads as one. Each case with every chunk size.
TEST(TextImportParse, LineEndsAndEncodingsWhateverTheChunks) {
    const QString mixed = QString::fromUtf8("Übung;€;straße");
    const struct {
        QByteArray bytes;
        QStringList questions;
    } cases[] = {
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"a\r\n\r\nb\r\n", {"a", "b"}},
        {"", {}},
        {mixed.toUtf8(), {QString::fromUtf8("Übung")}},
        {"\xEF\xBB\xBF" + mixed.toUtf8(), {QString::fromUtf8("Übung")}},
        // Windows-1252 as an old editor wrote it, quotes and all.
        {QByteArray("\xDC"
                    "bung;\x80;stra\xDF"
                    "e\r\n\x93x\x94"),
         {QString::fromUtf8("Übung"), QString::fromUtf8("“x”")}},
        // Each line as it was written.
        {QByteArray("stra\xC3\x9F"
                    "e;x\r\nstra\xDF"
                    "e;y\n"),
         {QString::fromUtf8("straße"), QString::fromUtf8("straße")}},
    };
    for (const auto& c : cases)
        for (const qint64 chunk : {qint64(1), qint64(2), qint64(5), qint64(1) << 16}) {
            SCOPED_TRACE(c.bytes.toHex().toStdString() + " chunk " + std::to_string(chunk));
            const Parsed p = parseBytes(c.bytes, ";", TextLayout::QuestionAnswerTheme, false, chunk);
            QStringList questions;
            for (const QStringList& row : p.rows) questions << row.at(0);
            EXPECT_EQ(questions, c.questions);
        }
    const Parsed all =
        parseBytes("\xEF\xBB\xBF" + mixed.toUtf8(), ";", TextLayout::QuestionAnswerTheme, false, 1);
    EXPECT_EQ(all.rows, (Rows{mixed.split(';')}));
}

// Rows beyond what the memory can hold are refused as they are read, not
// after the file has been taken in.
TEST(TextImportParse, ABudgetTooSmallForTheRowsStopsTheReading) {
    const QStringList first{"a", "1", "t"};
    Rows given;
    QBuffer in;
    in.setData("a;1;t\r\nb;2;t\r\nc;3;t\r\n");
    in.open(QIODevice::ReadOnly);
    try {
        ParseImportLines(
            in, ";", TextLayout::QuestionAnswerTheme, false,
            [&](const QStringList& r) { given.push_back(r); },
            kImportBaseBytes + PreviewRowBytes(first) + ImportRowBytes("a") + 1);
        ADD_FAILURE() << "read beyond its budget";
    } catch (const wk::Error& e) {
        EXPECT_EQ(e.number(), kOutOfMemory);
    }
    EXPECT_EQ(given, Rows{first});
    // So is a line too long for the budget, before it is all read.
    QBuffer longLine;
    longLine.setData(QByteArray(1000, 'x'));
    longLine.open(QIODevice::ReadOnly);
    EXPECT_THROW(
        ParseImportLines(
            longLine, ";", TextLayout::QuestionAnswerTheme, false, [](const QStringList&) {}, 300, 16),
        wk::Error);
    EXPECT_LT(longLine.pos(), 200);
    // Memory that runs out as the rows are kept is reported the same way.
    in.seek(0);
    try {
        ParseImportLines(
            in, ";", TextLayout::QuestionAnswerTheme, false,
            [](const QStringList&) { throw std::bad_alloc(); }, kNoLimit);
        ADD_FAILURE() << "read on without memory";
    } catch (const wk::Error& e) {
        EXPECT_EQ(e.number(), kOutOfMemory);
    }
    EXPECT_EQ(parseBytes(in.data(), ";", TextLayout::QuestionAnswerTheme, false, 1 << 16,
                         kImportBaseBytes + 3 * (PreviewRowBytes(first) + ImportRowBytes("a")))
                  .rows.size(),
              3u);
}

class TextImportFile : public ExchangeDB {};

TEST_F(TextImportFile, ReadsFilesAndReportsAMissingOne) {
    const QString path = dir.filePath("w.txt");
    writeFile(path, "\xEF\xBB\xBFH\xC3\xA4us\tho\xC3\xBCse\tN\r\nB\tt\n");
    Rows rows;
    const auto keep = [&](const QStringList& r) { rows.push_back(r); };
    ReadImportFile(path, "\t", TextLayout::QuestionAnswerTheme, false, keep, kNoLimit);
    EXPECT_EQ(rows, (Rows{{QString::fromUtf8("Häus"), QString::fromUtf8("hoüse"), "N"}, {"B", "t", ""}}));
    try {
        ReadImportFile(dir.filePath("nope.txt"), "\t", TextLayout::QuestionAnswerTheme, false, keep,
                       kNoLimit);
        FAIL();
    } catch (const wk::Error& e) {
        EXPECT_EQ(e.number(), 53);
    }
}

TEST(TextImportTopic, WhenADefaultTopicIsNeeded) {
    EXPECT_FALSE(NeedsDefaultTopic({}, TextLayout::QuestionAnswers));
    EXPECT_TRUE(NeedsDefaultTopic({{"a", "", "", "", "", "", "", "", "", ""}}, TextLayout::QuestionAnswers));
    EXPECT_FALSE(NeedsDefaultTopic({{"a", "b", "c"}}, TextLayout::QuestionAnswerTheme));
    EXPECT_TRUE(NeedsDefaultTopic({{"a", "b", "c"}, {"x", "y", ""}}, TextLayout::QuestionAnswerTheme));
}

namespace {

class TextImportDB : public ExchangeDB {
protected:
    QVariant value(const QString& q, const QString& field) {
        auto rs = db->OpenRecordset("SELECT * FROM VOK WHERE Q = ?", dao::dbOpenDynaset, {q});
        EXPECT_GT(rs->RecordCount(), 0) << q.toStdString();
        return rs->Value(field);
    }
    const QDateTime now{QDate(2026, 12, 7), QTime(10, 30, 0)};
};

}  // namespace

TEST_F(TextImportDB, WritesEveryFieldOfLayoutZero) {
    wktest::ScriptedUi ui;
    int themes = 0;
    std::vector<int> progress;
    const TextImportResult r =
        ImportTextRows({{"Haus", "house", "Nomen"}, {"Baum", "tree", ""}}, TextLayout::QuestionAnswerTheme,
                       "Std", *data, 5, now, {[&](int p) { progress.push_back(p); }, [&] { ++themes; }});
    EXPECT_EQ(r.imported, 2);
    EXPECT_EQ(themes, 1);  // the lists are refilled once, after the run
    EXPECT_EQ(progress, (std::vector<int>{50, 100}));
    EXPECT_EQ(value("Haus", "A1").toString(), "house");
    EXPECT_EQ(value("Haus", "A2").toString(), "");
    EXPECT_EQ(value("Haus", "T").toString(), "Nomen");
    EXPECT_EQ(value("Baum", "T").toString(), "Std");
    EXPECT_EQ(value("Baum", "Kategorie").toString(), "Other");
    EXPECT_EQ(value("Baum", "ZuletztGelerntAm").toDateTime(), now);
    EXPECT_EQ(value("Baum", "Typ").toInt(), 0);
    EXPECT_FALSE(value("Baum", "Markiert").toBool());
    EXPECT_EQ(value("Baum", "MCAA").toInt(), 3);
    for (int u = 1; u <= 5; ++u)
        for (const char* p : {"AA", "AR", "AF", "FQ"}) {
            const QVariant v = value("Baum", p + QString::number(u));
            EXPECT_TRUE(v.isValid() && !v.isNull());
            EXPECT_EQ(v.toDouble(), 0.0);
        }
    EXPECT_EQ(data->RecordCount(), 2);
}

TEST_F(TextImportDB, LayoutOneAndGermanCategory) {
    wktest::ScriptedUi ui;
    modMain::TextBasis = 10000;
    QStringList row{"q", "1", "2", "", "", "", "", "", "", "9"};
    ImportTextRows({row}, TextLayout::QuestionAnswers, "Thema", *data, 5, now, {});
    modMain::TextBasis = 20000;
    EXPECT_EQ(value("q", "A2").toString(), "2");
    EXPECT_EQ(value("q", "A9").toString(), "9");
    EXPECT_EQ(value("q", "T").toString(), "Thema");
    EXPECT_EQ(value("q", "Kategorie").toString(), "Andere");
}

TEST_F(TextImportDB, DuplicateQuestionInDatabaseAndInFile) {
    add({"Haus", {"Gebäude"}});
    wktest::ScriptedUi ui;
    ui.pushMsgBox(forms::vbNo);   // Haus, already there
    ui.pushMsgBox(forms::vbYes);  // Baum, second time in the file
    const TextImportResult r = ImportTextRows({{"Haus", "h", "t"}, {"Baum", "b", "t"}, {"Baum", "c", "t"}},
                                              TextLayout::QuestionAnswerTheme, "", *data, 5, now, {});
    EXPECT_EQ(r.imported, 2);
    EXPECT_EQ(r.declined, 1);
    const auto boxes = ui.calls(wktest::CallKind::MsgBox);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].prompt,
              "The question \"Haus\" already exists in the database.\r\rDo you still want to import it?");
    EXPECT_EQ(boxes[0].title, "Duplicate found");
    EXPECT_EQ(boxes[1].prompt.mid(14, 4), "Baum");
}

TEST_F(TextImportDB, TooLongTextIsReportedNotCut) {
    wktest::ScriptedUi ui;
    const TextImportResult r =
        ImportTextRows({{QString(241, 'x'), "a", "t"}, {"ok", "a", QString(51, 't')}, {"fine", "a", "t"}},
                       TextLayout::QuestionAnswerTheme, "", *data, 5, now, {});
    EXPECT_EQ(r.imported, 1);
    EXPECT_EQ(r.tooLong, (QList<int>{1, 2}));
    EXPECT_EQ(data->RecordCount(), 1);
    EXPECT_EQ(data->EditMode(), dao::dbEditNone);
}

TEST_F(TextImportDB, EmptyQuestionIsImportedAndMeetsTheDuplicateQuestion) {
    wktest::ScriptedUi ui;
    // An empty question is a question like any other: its second
    // occurrence asks, as the parser gives it and as a bare QString.
    ui.pushMsgBox(forms::vbNo);
    ui.pushMsgBox(forms::vbYes);
    const TextImportResult r = ImportTextRows({{"", "", "t"}, {QString(), "", "u"}, {"", "", "v"}},
                                              TextLayout::QuestionAnswerTheme, "", *data, 5, now, {});
    EXPECT_EQ(r.imported, 2);
    EXPECT_EQ(r.declined, 1);
    EXPECT_EQ(value("", "T").toString(), "t");
    EXPECT_EQ(ui.msgBoxPrompts(),
              QStringList(
                  2, "The question \"\" already exists in the database.\r\rDo you still want to import it?"));
}

// The whole run is one transaction: another connection sees none of its
// rows until it ends, and a database failure midway takes every row back.
TEST_F(TextImportDB, OneTransactionTakenBackWhenTheDatabaseFails) {
    add({"alt", {"old"}});
    wktest::ScriptedUi ui;
    const std::vector<QStringList> rows{{"a", "1", "t"}, {"b", "2", "t"}, {"c", "3", "t"}};
    // Another connection is another program: this one has one per file.
    const bool shell = !QStandardPaths::findExecutable("sqlite3").isEmpty();
    QString seenMeanwhile;
    TextImportResult r = ImportTextRows(
        rows, TextLayout::QuestionAnswerTheme, "", *data, 5, now,
        {[&](int p) {
             if (p != 100 || !shell) return;
             QProcess other;
             other.start("sqlite3",
                         {"-readonly", "-cmd", ".timeout 5000", db->Name(), "SELECT count(*) FROM VOK;"});
             other.waitForFinished(30000);
             seenMeanwhile = QString::fromUtf8(other.readAllStandardOutput());
         },
         nullptr});
    EXPECT_EQ(r.imported, 3);
    if (shell) {
        EXPECT_EQ(seenMeanwhile.trimmed(), "1");
    }
    EXPECT_EQ(data->RecordCount(), 4);

    // A column gone midway is no value the row could mend: nothing stays.
    TextImportResult partial;
    partial.imported = -1;
    const std::vector<QStringList> more{{"d", "4", "t"}, {"e", "5", "t"}, {"f", "6", "t"}};
    EXPECT_THROW(ImportTextRows(more, TextLayout::QuestionAnswerTheme, "", *data, 5, now,
                                {[&](int p) {
                                     if (p == 67) db->Execute("ALTER TABLE VOK DROP COLUMN Tip");
                                 },
                                 nullptr},
                                &partial),
                 wk::Error);
    EXPECT_EQ(partial.imported, 0);
    auto check = db->OpenRecordset("VOK");
    EXPECT_EQ(check->RecordCount(), 4);
    EXPECT_GE(check->FieldIndex("Tip"), 0);
    EXPECT_EQ(data->RecordCount(), 4);
    EXPECT_EQ(data->EditMode(), dao::dbEditNone);
}

// Memory that runs out midway (std::bad_alloc, as a limit of the process
// raises it) takes the whole run back and passes on as the runtime's "Out
// of memory", which the wizard reports; nothing ends the program.
TEST_F(TextImportDB, RunningOutOfMemoryMidwayLeavesTheDatabaseAsItWas) {
    add({"alt", {"old"}});
    wktest::ScriptedUi ui;
    TextImportResult partial;
    partial.imported = -1;
    try {
        ImportTextRows({{"a", "1", "t"}, {"b", "2", "t"}, {"c", "3", "t"}}, TextLayout::QuestionAnswerTheme,
                       "", *data, 5, now,
                       {[](int p) {
                            if (p == 100) throw std::bad_alloc();
                        },
                        nullptr},
                       &partial);
        ADD_FAILURE() << "the run went on without memory";
    } catch (const wk::Error& e) {
        EXPECT_EQ(e.number(), kOutOfMemory);
    }
    EXPECT_EQ(partial.imported, 0);
    EXPECT_EQ(data->RecordCount(), 1);
    EXPECT_EQ(db->OpenRecordset("VOK")->RecordCount(), 1);
    EXPECT_EQ(dao::DBEngine::Workspaces(0).TransactionDepth(), 0);
}

// A commit the database refuses (here the disk is full when the run ends)
// takes the whole run back: the grid's recordset keeps none of its rows,
// the layer leaves its transaction, and the next write works and lasts.
TEST_F(TextImportDB, ARefusedFinalCommitLeavesNoRowsAndLaterWritesWork) {
    wktest::ScriptedUi ui;
    TextImportResult partial;
    partial.imported = -1;
    std::optional<wktest::FileSizeLimit> full;
    EXPECT_THROW(
        ImportTextRows({{"a", "1", "t"}, {"b", "2", "t"}}, TextLayout::QuestionAnswerTheme, "", *data, 5, now,
                       {[&](int p) {
                            if (p == 100) full.emplace(512);
                        },
                        nullptr},
                       &partial),
        wk::Error);
    ASSERT_TRUE(full && full->ok());
    full.reset();
    EXPECT_EQ(partial.imported, 0);
    EXPECT_EQ(data->RecordCount(), 0);
    EXPECT_EQ(dao::DBEngine::Workspaces(0).TransactionDepth(), 0);

    const TextImportResult again =
        ImportTextRows({{"c", "3", "t"}}, TextLayout::QuestionAnswerTheme, "", *data, 5, now, {});
    EXPECT_EQ(again.imported, 1);
    EXPECT_EQ(data->RecordCount(), 1);
    auto other = dao::DBEngine::OpenDatabase(db->Name(), false, true, pwd());
    EXPECT_EQ(other->OpenRecordset("VOK")->RecordCount(), 1);
    other->Close();
}

TEST_F(TextImportFile, TheOpenDatabaseIsNotReadAsText) {
    // The database under a name of its own is still the open database.
    const QString link = dir.filePath("main.txt");
    ASSERT_EQ(
        ::link(QFile::encodeName(dir.filePath("main.wkd")).constData(), QFile::encodeName(link).constData()),
        0);
    runstate::dbVok = db;
    for (const QString& path : {dir.filePath("main.wkd"), dir.filePath("main.wkd-journal"), link}) {
        try {
            ReadImportFile(
                path, "\t", TextLayout::QuestionAnswerTheme, false, [](const QStringList&) {}, kNoLimit);
            ADD_FAILURE() << path.toStdString() << " was read";
        } catch (const wk::Error& e) {
            EXPECT_EQ(e.number(), 75);
        }
    }
    runstate::dbVok.reset();
}
