// The word-list page head printed through QPrinter into a PDF file.
#include <gtest/gtest.h>

#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "../support/QtPrinters.h"
#include "core/modMain.h"
#include "overview/modWordList.h"

using overview::PagePrinter;

namespace {

class WordListTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    qint32 basis = 0;
    void SetUp() override {
        basis = modMain::TextBasis;
        modMain::SetLanguage(1);
    }
    void TearDown() override { modMain::TextBasis = basis; }

    std::unique_ptr<QPrinter> pdf(const QString& name) {
        auto p = std::make_unique<QPrinter>(QPrinter::HighResolution);
        p->setOutputFormat(QPrinter::PdfFormat);
        p->setOutputFileName(dir.filePath(name));
        return p;
    }
    // The text of the PDF, page by page, when pdftotext is at hand.
    static QStringList pdfPages(const QString& path) {
        const QString tool = QStandardPaths::findExecutable("pdftotext");
        if (tool.isEmpty()) return {};
        QProcess p;
        p.start(tool, {"-layout", path, "-"});
        if (!p.waitForFinished(20000)) return {};
        QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(QChar('\f'));
        if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) pages.removeLast();
        return pages;
    }
};

TEST_F(WordListTest, TheTitleHasNoSingular) {
    EXPECT_EQ(overview::WordListTitle("VERBS", 120), "Wordlist of the database VERBS  (120 Words)");
    EXPECT_EQ(overview::WordListTitle("VERBS", 1), "Wordlist of the database VERBS  (1 Words)");
    modMain::SetLanguage(0);
    EXPECT_EQ(overview::WordListTitle("VERBEN", 2),
              QString::fromUtf8("Wortliste aus der Datenbank VERBEN  (2 Wörter)"));
}

TEST_F(WordListTest, HeadsOfThreePagesReachThePrinter) {
    auto printer = pdf("list.pdf");
    {
        PagePrinter p(*printer);
        ASSERT_TRUE(p.isActive());
        int flag = 0;
        for (int page = 1; page <= 3; ++page) {
            if (page > 1) p.NewPage();
            EXPECT_EQ(p.Page(), page);
            p.CurrentY = 0;
            overview::PrintWordListHeader(flag, p, "VERBS", 120);
            // The rows of the page start below the rule.
            EXPECT_GT(p.CurrentY, 40);
            EXPECT_EQ(p.CurrentX, 0);
            p.CurrentX = 300;
            p.Print(QString("row of page %1").arg(page));
        }
        EXPECT_EQ(flag, 0);
        EXPECT_GT(p.Width(), 600);
        p.EndDoc();
    }
    const QString path = dir.filePath("list.pdf");
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_GT(QFile(path).size(), 500);
    const QStringList pages = pdfPages(path);
    if (pages.isEmpty()) GTEST_SKIP() << "pdftotext is not installed; the file was checked only";
    ASSERT_EQ(pages.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(pages[i].contains("Wordlist of the database VERBS (120 Words)") ||
                    pages[i].contains("Wordlist of the database VERBS  (120 Words)"))
            << pages[i].toStdString();
        EXPECT_TRUE(pages[i].contains(QString("Page %1").arg(i + 1))) << pages[i].toStdString();
        // The head comes before the page's own rows.
        EXPECT_LT(pages[i].indexOf("Page"), pages[i].indexOf("row of page")) << pages[i].toStdString();
    }
}

TEST_F(WordListTest, ANonZeroFlagPrintsNothing) {
    auto printer = pdf("none.pdf");
    {
        PagePrinter p(*printer);
        int flag = 1;
        overview::PrintWordListHeader(flag, p, "VERBS", 120);
        EXPECT_EQ(p.CurrentY, 0);
        p.Print("only this");
        p.EndDoc();
    }
    const QStringList pages = pdfPages(dir.filePath("none.pdf"));
    if (pages.isEmpty()) GTEST_SKIP() << "pdftotext is not installed";
    ASSERT_EQ(pages.size(), 1);
    EXPECT_FALSE(pages[0].contains("Wordlist"));
    EXPECT_FALSE(pages[0].contains("Page"));
    EXPECT_TRUE(pages[0].contains("only this"));
}

}  // namespace
