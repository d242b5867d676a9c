#pragma once
// The small window shown while the vocabulary grid is rebuilt. Its load
// does the whole rebuild (GridFiller) with the progress in per cent, then
// closes it again. The main window lends what the rebuild touches through
// LoadingHost, so that FillVG1 stays a thin call there.

#include "overview/GridFiller.h"

#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QWidget>

class QLabel;
class QFrame;

namespace overview {

class LoadingHost {
public:
    virtual ~LoadingHost() = default;

    virtual bool DatabaseOpen() const = 0;                   // run state: a vocabulary database is open
    virtual int UpgradeDepth() const = 0;                    // above 0 while the schema upgrade runs
    virtual void SetMainEnabled(bool on) = 0;                // frmMain.Enabled
    virtual void SetMousePointer(int pointer) = 0;           // 0 default, 11 hourglass
    virtual QString StatusCaption() const = 0;               // lblBDBName
    virtual void SetStatusCaption(const QString& text) = 0;  // sets and repaints
    virtual void InitOptionTab() = 0;
    virtual void UpdateWindow(const QString& what) = 0;  // "lblbcount" after a build

    enum class Button { Search, Delete, Record, SoundImport, ImportPic };
    // Enables or disables an overview toolbar button; a picture, when given,
    // replaces the button's picture.
    virtual void SetOverviewButton(Button b, bool enabled, const QPixmap& picture = {}) = 0;

    // What the rebuild reads and fills.
    virtual grid::Grid& vg1() = 0;
    virtual RecordAccess& gridRecordset() = 0;
    virtual RecordAccess& optionsRecord() = 0;
    virtual int BenutzerNr() const = 0;
    virtual int ListIcon() const = 0;
    virtual int IndikatorRand() const = 0;
    virtual const grid::ImageList& ilVG() const = 0;
    virtual const grid::ImageList& IL() const = 0;
    virtual QString GetText(int id) const = 0;

    // A rebuild that failed: the main window shows the error (ShowError).
    virtual void ReportError(int number, const QString& description) = 0;
};

class frmLoading : public QWidget {
    Q_OBJECT
public:
    explicit frmLoading(QWidget* parent = nullptr);

    // Runs the rebuild and closes the window. Whatever happens, the main
    // window ends enabled, the grid painting, the pointer default, the status
    // label as it was and this window closed; an error is reported to the
    // host after that.
    void Form_Load(LoadingHost& host);

    QLabel* lblBLoading = nullptr;
    QLabel* lblStatus = nullptr;
    QFrame* pS = nullptr;  // the bar, its width grows with the per-cent figure
    QLabel* Image1 = nullptr;
    QFrame* Picture1 = nullptr;
    QFrame* Frame1 = nullptr;

    // The per-cent texts shown, in order, and the bar width at the end (in
    // the bar's own unit, 975 at 100 %).
    const QStringList& progressShown() const { return progressShown_; }
    double barWidth() const { return barWidth_; }
    void setCentreOver(QWidget* w) { centreOver_ = w; }
    static constexpr double BarFull = 975.0;

private:
    void showProgress(LoadingHost& host, int percent);

    QStringList progressShown_;
    double barWidth_ = 0;
    int barPixels_ = 260;
    QWidget* centreOver_ = nullptr;
};

// frmMain.FillVG1: only with a database open, the busy pointer, the rebuild
// behind the loading window, one turn of the event loop, the pointer back.
// The loading window is centred over `mainWindow` when given.
void FillVG1(LoadingHost& host, QWidget* mainWindow = nullptr);

}  // namespace overview
