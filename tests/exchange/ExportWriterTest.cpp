// The export file: text with each separator and the header line, the HTML
// table with escaping, exact bytes with CR LF.
#include "ExchangeFixture.h"

#include <QLocale>

#include "exchange/ExportWriter.h"
#include "testengine/Answers.h"

using namespace exchange;
using namespace exchangetest;

namespace {

QList<ExportField> fields(std::initializer_list<std::pair<int, bool>> ids) {
    QList<ExportField> out;
    for (auto [id, on] : ids) out.append({modMain::GetText(id), on});
    return out;
}

class ExportTest : public ExchangeDB {
protected:
    void SetUp() override {
        ExchangeDB::SetUp();
        add({"Haus", {"house", "home", "building"}, "Nomen", 12.5});
        add({"Baum", {"tree"}, "Nomen"});
        add({"gehen", {}, QString(""), 80.75});
        // "Alles" sorts by Q without case: Baum 0, gehen 1, Haus 2.
    }
    ExportJob job(ExportFormat f, std::vector<long> pos) {
        ExportJob j;
        j.format = f;
        j.positions = std::move(pos);
        j.fields = fields({{50, true}, {51, true}, {52, false}, {59, false}, {56, false}, {53, false}});
        j.dbName = "KURS";
        return j;
    }
};

}  // namespace

TEST_F(ExportTest, TextWithHeaderHasEqualColumnsAndExactBytes) {
    ExportJob j = job(ExportFormat::Text, {0, 1, 2});
    j.header = true;
    j.separator = ";";
    const QByteArray out = BuildExport(*data, j, testengine::MaxAnswerCount(*data));
    EXPECT_EQ(out, QByteArray("Word/Question;Answer 1;Answer 2;Answer 3\r\n"
                              "Baum;tree;;\r\n"
                              "gehen;;;\r\n"
                              "Haus;house;home;building\r\n"));
}

TEST_F(ExportTest, EachSeparatorAndEmptyFirstValue) {
    for (const QString& sep : {QString("\t"), QString(";"), QString(",")}) {
        ExportJob j = job(ExportFormat::Text, {1, 0});
        j.fields = fields({{52, true}, {50, true}});
        j.separator = sep;
        const QString out = QString::fromUtf8(BuildExport(*data, j, 3));
        EXPECT_EQ(out, sep + "gehen\r\nNomen" + sep + "Baum\r\n") << sep.toStdString();
    }
}

TEST_F(ExportTest, NumbersInTextAndHtml) {
    ExportJob j = job(ExportFormat::Text, {2, 1});
    j.fields = fields({{56, true}, {53, true}});
    j.separator = "\t";
    const QString dp = QLocale().decimalPoint();
    EXPECT_EQ(QString::fromUtf8(BuildExport(*data, j, 3)), "12" + dp + "5\t0\r\n80" + dp + "75\t0\r\n");

    j.format = ExportFormat::Html;
    const QString html = QString::fromUtf8(BuildExport(*data, j, 3));
    EXPECT_TRUE(html.contains("<td><small>\r\n12\r\n</small></td>\r\n<td><small>\r\n0\r\n</small></td>"));
    EXPECT_TRUE(html.contains("<td><small>\r\n80\r\n</small></td>"));
}

TEST_F(ExportTest, NoSelectedFieldGivesEmptyLines) {
    ExportJob j = job(ExportFormat::Text, {0, 1});
    j.fields = fields({{50, false}, {51, false}});
    j.header = true;
    EXPECT_EQ(BuildExport(*data, j, 3), QByteArray("\r\n\r\n\r\n"));
}

TEST_F(ExportTest, HtmlTableWholeFileAndEscaping) {
    add({"<b>Tom & \"Jerry\"</b>", {"a<i>"}, "x"});
    // Alles: <b>Tom..., Baum, Haus, gehen
    ExportJob j = job(ExportFormat::Html, {0, 1});
    j.dbName = "K<U>RS";
    data->SetAbsolutePosition(3);
    const QByteArray out = BuildExport(*data, j, 1);
    EXPECT_EQ(data->AbsolutePosition(), 3);
    const QByteArray expected =
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"><title>\r\n"
        "Excerpt from K&lt;U&gt;RS\r\n"
        "</title></head><body><font face=\"VERDANA, TACOMA, ARIAL, CHICAGO\"><p><h3 align=center><small>\r\n"
        "K&lt;U&gt;RS\r\n"
        "</small></h3><center><small>\r\n"
        "2 Questions\r\n"
        "</small></center></p><table align=center border=0 width=90%><tr bgcolor=#C0C0C0>\r\n"
        "<td><small><b>&nbsp;Word/Question</b></small></td>\r\n"
        "<td><small><b>&nbsp;Answer 1</b></small></td>\r\n"
        "</tr>\r\n"
        "<tr>\r\n"
        "<td><small>\r\n&lt;b&gt;Tom &amp; &quot;Jerry&quot;&lt;/b&gt;\r\n</small></td>\r\n"
        "<td><small>\r\na&lt;i&gt;\r\n</small></td>\r\n"
        "\r\n</tr>\r\n"
        "<tr bgcolor=#E0E0E0>\r\n"
        "<td><small>\r\nBaum\r\n</small></td>\r\n"
        "<td><small>\r\ntree\r\n</small></td>\r\n"
        "\r\n</tr>\r\n"
        "<tr><td><br></td></tr><tr><td colspan=2 align=center><small>Created by <a href=\"" WK_MAKER_WEB
        "\">Wortkiste</a></small></td></tr>\r\n"
        "</table></font></body></html>\r\n";
    EXPECT_EQ(out, expected);
}

TEST_F(ExportTest, TextValuesThatWouldBreakTheColumnsAreQuoted) {
    add({"a;b", {"say \"hi\"", "two\r\nlines", "tab\there"}, "plain, text"});
    // Alles: a;b 0, Baum 1, gehen 2, Haus 3.
    ExportJob j = job(ExportFormat::Text, {0});
    j.fields = fields({{50, true}, {51, true}, {52, true}});
    j.separator = ";";
    EXPECT_EQ(BuildExport(*data, j, 3),
              QByteArray("\"a;b\";\"say \"\"hi\"\"\";\"two\r\nlines\";tab\there;plain, text\r\n"));
    j.separator = "\t";
    EXPECT_EQ(BuildExport(*data, j, 3),
              QByteArray("a;b\t\"say \"\"hi\"\"\"\t\"two\r\nlines\"\t\"tab\there\"\tplain, text\r\n"));

    // A fractional error rate holds the decimal comma of a German locale.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    ExportJob rate = job(ExportFormat::Text, {3, 1});
    rate.fields = fields({{50, true}, {56, true}});
    rate.separator = ",";
    rate.header = true;
    const QByteArray out = BuildExport(*data, rate, 3);
    QLocale::setDefault(before);
    EXPECT_EQ(out, QByteArray("Word/Question,Rate of Mistake\r\nHaus,\"12,5\"\r\nBaum,0\r\n"));

    EXPECT_EQ(TextFieldValue("", ","), "");
    EXPECT_EQ(TextFieldValue("\"", "\t"), "\"\"\"\"");
    // A lone carriage return or line feed ends a line for many readers.
    EXPECT_EQ(TextFieldValue("a\rb", ";"), "\"a\rb\"");
    EXPECT_EQ(TextFieldValue("a\nb", ";"), "\"a\nb\"");
}

TEST_F(ExportTest, HtmlTitleAndCountForAllAndOne) {
    ExportJob all = job(ExportFormat::Html, {0, 1, 2});
    const QString a = QString::fromUtf8(BuildExport(*data, all, 3));
    EXPECT_TRUE(a.contains("\r\nOverview of KURS\r\n"));
    EXPECT_TRUE(a.contains("\r\n3 Questions\r\n"));
    EXPECT_TRUE(a.contains("colspan=4 "));

    ExportJob one = job(ExportFormat::Html, {2});
    const QString o = QString::fromUtf8(BuildExport(*data, one, 3));
    EXPECT_TRUE(o.contains("\r\n1 Question\r\n"));
    EXPECT_TRUE(o.contains("<td><small>\r\nbuilding\r\n</small></td>"));
}

TEST_F(ExportTest, NoAnswersAnywhereGivesNoAnswerCells) {
    ExportJob j = job(ExportFormat::Html, {0});
    const QString h = QString::fromUtf8(BuildExport(*data, j, -1));
    EXPECT_EQ(h.count("<td><small>\r\n"), 1);  // the question only
    EXPECT_TRUE(h.contains("colspan=1 "));
    j.format = ExportFormat::Text;
    j.header = true;
    EXPECT_EQ(BuildExport(*data, j, -1), QByteArray("Word/Question\r\nBaum\r\n"));
}

TEST_F(ExportTest, ProgressIsCalledPerRow) {
    ExportJob j = job(ExportFormat::Text, {0, 1, 2});
    std::vector<long> seen;
    j.progress = [&](long r, long total) {
        EXPECT_EQ(total, 3);
        seen.push_back(r);
    };
    BuildExport(*data, j, 3);
    EXPECT_EQ(seen, (std::vector<long>{1, 2, 3}));
}

TEST_F(ExportTest, FileIsReplacedWholeAndUnwritableFolderRaises) {
    const QString path = dir.filePath("out.txt");
    writeFile(path, "old content that is longer");
    WriteFileAtomically(path, "neu\r\n");
    EXPECT_EQ(readFile(path), QByteArray("neu\r\n"));
    try {
        WriteFileAtomically(dir.filePath("missing/folder/x.txt"), "x");
        FAIL() << "no error";
    } catch (const wk::Error& e) {
        EXPECT_EQ(e.number(), 75);
    }
}

TEST_F(ExportTest, UnicodeIsWrittenAsUtf8) {
    add({"Übung ß", {"€"}});
    ExportJob j = job(ExportFormat::Text, {0});
    j.fields = fields({{50, true}, {51, true}});
    data->MoveLast();
    j.positions = {data->AbsolutePosition()};
    EXPECT_EQ(BuildExport(*data, j, 1), QByteArray("\xC3\x9C"
                                                   "bung \xC3\x9F\t\xE2\x82\xAC\r\n"));
}
