#include "overview/frmLoading.h"

#include "platform/Error.h"
#include "platform/forms/Accessible.h"
#include "platform/grid/Grid.h"
#include "platform/grid/ImageList.h"

#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>
#include <cmath>

namespace overview {

frmLoading::frmLoading(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint) {
    setObjectName("frmLoading");
    setAttribute(Qt::WA_ShowWithoutActivating);
    Frame1 = new QFrame(this);
    Frame1->setObjectName("Frame1");
    Frame1->setFrameShape(QFrame::Box);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(Frame1);

    auto* lay = new QVBoxLayout(Frame1);
    lay->setContentsMargins(12, 10, 12, 10);
    auto* top = new QHBoxLayout;
    Image1 = new QLabel(Frame1);
    Image1->setObjectName("Image1");
    grid::ImageList pictures;
    grid::fillOverviewImages(pictures);
    Image1->setPixmap(pictures.Picture(grid::keys::CheckedSoundPic).scaled(32, 32));
    lblBLoading = new QLabel(Frame1);
    lblBLoading->setObjectName("lblBLoading");
    QFont bold = lblBLoading->font();
    bold.setBold(true);
    lblBLoading->setFont(bold);
    lblStatus = new QLabel(QStringLiteral("0%"), Frame1);
    lblStatus->setObjectName("lblStatus");
    lblStatus->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblStatus->setMinimumWidth(QFontMetrics(lblStatus->font()).horizontalAdvance("100%") + 4);
    top->addWidget(Image1);
    top->addWidget(lblBLoading, 1);
    top->addWidget(lblStatus);
    lay->addLayout(top);

    Picture1 = new QFrame(Frame1);  // the trough of the bar
    Picture1->setObjectName("Picture1");
    Picture1->setFrameShape(QFrame::StyledPanel);
    Picture1->setFixedSize(barPixels_ + 2, 14);
    pS = new QFrame(Picture1);
    pS->setObjectName("pS");
    pS->setAutoFillBackground(true);
    QPalette pal = pS->palette();
    pal.setColor(QPalette::Window, QColor(0x30, 0x80, 0xD0));
    pS->setPalette(pal);
    pS->setGeometry(1, 1, 0, 12);
    lay->addWidget(Picture1);
    adjustSize();
}

void frmLoading::showProgress(LoadingHost& host, int percent) {
    const QString text = QString::number(percent) + QLatin1Char('%');
    progressShown_.append(text);
    lblStatus->setText(text);
    host.SetStatusCaption(text);
    barWidth_ = percent * (BarFull / 100.0);
    pS->setGeometry(1, 1, int(std::lround(percent * barPixels_ / 100.0)), 12);
    lblStatus->repaint();
    pS->repaint();
    QCoreApplication::processEvents();
}

void frmLoading::Form_Load(LoadingHost& host) {
    if (host.UpgradeDepth() > 0) {
        host.SetMousePointer(0);
        host.SetMainEnabled(true);
        close();
        return;
    }
    host.SetMainEnabled(false);
    const forms::QuietProgress progress{lblStatus};
    lblBLoading->setText(host.GetText(msg::Loading));
    lblBLoading->repaint();
    const QString keptCaption = host.StatusCaption();
    barWidth_ = 0;
    pS->setGeometry(1, 1, 0, 12);
    lblStatus->setText(QStringLiteral("0%"));
    lblStatus->repaint();
    // Centred over the main window, else on the screen. Not its child: the
    // main window is disabled meanwhile, and that would grey this one too.
    const QRect area =
        parentWidget() ? parentWidget()->window()->frameGeometry() : screen()->availableGeometry();
    move(area.center() - rect().center());
    show();
    QCoreApplication::processEvents();

    grid::Grid& g = host.vg1();
    bool failed = false;
    int errNumber = 0;
    QString errText;
    try {
        host.InitOptionTab();
        GridBuildInputs in;
        in.grid = &g;
        in.records = &host.gridRecordset();
        in.options = &host.optionsRecord();
        in.user = host.BenutzerNr();
        in.listIcon = host.ListIcon();
        in.indikatorRand = host.IndikatorRand();
        in.ilVG = &host.ilVG();
        in.IL = &host.IL();
        in.getText = [&host](int id) { return host.GetText(id); };
        in.progress = [this, &host](int p) { showProgress(host, p); };
        GridFiller(std::move(in)).build();

        using B = LoadingHost::Button;
        if (g.Rows() == 0) {
            g.SetShowData(false);
            host.SetOverviewButton(B::Search, false);
            host.SetOverviewButton(B::Delete, false);
        } else {
            g.SetShowData(true);
            host.SetOverviewButton(B::Search, true);
        }
        host.SetOverviewButton(B::Delete, false);
        host.SetOverviewButton(B::Record, false, host.IL().Picture(grid::keys::RecordDisabled));
        host.SetOverviewButton(B::SoundImport, false, host.IL().Picture(grid::keys::ImportSoundDisabled));
        host.SetOverviewButton(B::ImportPic, false, host.IL().Picture(grid::keys::ImportPicDisabled));
        host.UpdateWindow(QStringLiteral("lblbcount"));
        g.SetRedraw(true);
        host.SetStatusCaption(keptCaption);
    } catch (const wk::Error& e) {
        failed = true;
        errNumber = e.number();
        errText = e.description();
    } catch (const std::exception& e) {
        failed = true;
        errNumber = 0;
        errText = QString::fromLocal8Bit(e.what());
    }
    if (failed) {
        // Nothing may stay frozen: painting, the grid and the label come back,
        // and no button offers to act on an item that is no longer selected.
        g.SetRedraw(true);
        g.SetShowData(g.Rows() > 0);
        host.SetStatusCaption(keptCaption);
        try {
            using B = LoadingHost::Button;
            host.SetOverviewButton(B::Search, g.Rows() > 0);
            host.SetOverviewButton(B::Delete, false);
            host.SetOverviewButton(B::Record, false, host.IL().Picture(grid::keys::RecordDisabled));
            host.SetOverviewButton(B::SoundImport, false, host.IL().Picture(grid::keys::ImportSoundDisabled));
            host.SetOverviewButton(B::ImportPic, false, host.IL().Picture(grid::keys::ImportPicDisabled));
            host.UpdateWindow(QStringLiteral("lblbcount"));
        } catch (const std::exception&) {
            // The first error is the one reported.
        }
    }
    host.SetMousePointer(0);
    host.SetMainEnabled(true);
    close();
    if (failed) host.ReportError(errNumber, errText);
}

void FillVG1(LoadingHost& host, QWidget* mainWindow) {
    if (!host.DatabaseOpen()) return;
    host.SetMousePointer(11);
    {
        frmLoading loading;
        loading.setCentreOver(mainWindow);
        loading.Form_Load(host);
    }
    QCoreApplication::processEvents();
    host.SetMousePointer(0);
}

}  // namespace overview
