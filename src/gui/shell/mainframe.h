// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QMainWindow>
#include <functional>
#include <QPointer>
#include <QPrinter>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <map>
#include <memory>

#include "history/history.h"
#include "model/doc.h"
#include "shell/qtuserport.h"
#include "ui/commands.h"
#include "views/sectionview.h"

class QLabel;
class QSettings;
class QMenu;
class QSplitter;
class QToolBar;

namespace aq::surface {
struct ContourLine;
struct Surface;
}  // namespace aq::surface

namespace aq::gui {

class CDepthPrnDlg;
class CExportDlg;
class HelpWindow;
class ViewWidget;

struct FrameOptions {
    bool splash = true;
    // Where the recent-file list lives; empty for the user's settings.
    QString settingsFile;
};

// The main window: menus, tool bars and accelerators from the command table, the plan
// view above the section view, the status panes, the animation timer and the document.
class CMainFrame final : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(const FrameOptions& options = {}, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CVKDoc& Doc() { return doc_; }
    UndoHistory& History() { return history_; }
    QtUserPort& Port() { return *port_; }
    QAction* Action(int id) const;
    ViewWidget* PlanView() const { return plan_; }
    ViewWidget* SectionView() const { return section_; }
    // The view commands go to: the one that had the focus last.
    ViewWidget* ActiveViewWidget() const { return active_; }
    void Activate(ViewWidget* view);

    // Runs a command as its menu entry, button or key would (if it is enabled).
    void DoCommand(int id);
    // True when the window can run the command: the table's action, or a handler (a
    // dialog, a view, a window matter) registered for it.
    bool Handled(int id) const;
    // Applies every command's enabling rule and check mark.
    void UpdateActions();

    // File > Open of a path, without asking for it; false when it failed.
    bool OpenFile(const QString& path);
    // Files dropped on the window.
    void OpenDropped(const QList<QUrl>& urls);
    // Offers to save a modified document; false when the user cancels.
    bool SaveModified();
    // Prints the active view on the printer as it is set up, without dialogs but the
    // section's printing dialog (given settings skip that too).
    bool PrintTo(QPrinter& printer, const SectionPrintSettings* settings = nullptr);
    QPrinter& Printer() { return printer_; }

    // The record-count pane.
    void SetStatusText(const QString& text);
    QString StatusPane0() const;
    QString StatusPane1() const;
    bool StatusPane1Shown() const;
    QLabel* Pane0() const { return pane0_; }
    QLabel* Pane1() const { return pane1_; }

    QStringList RecentFiles() const { return recent_; }
    int Ticks() const { return ticks_; }
    QTimer& Timer() { return timer_; }
    QToolBar* StandardBar() const { return standardBar_; }
    QToolBar* EditBar() const { return editBar_; }
    QToolBar* ViewBar() const { return viewBar_; }
    QSplitter* Splitter() const { return splitter_; }
    // Window geometry, tool bar placement and the splitter's sizes, kept in the settings
    // when the window closes and brought back when it opens.
    void SaveLayout();
    void RestoreLayout();
    HelpWindow* Help();

    // Dialog overrides for tests: the path an open or save dialog would return ("" for
    // Cancel) and whether the entity and printing dialogs are shown.
    std::function<QString(int command, bool save)> choosePath;
    // A file to open or save, through choosePath when set, else the file dialog.
    QString ChoosePath(int command, bool save, const QString& title, const QStringList& filters,
                       const QString& initialName, const QString& suffix);
    std::function<bool(CExportDlg&)> runExportDialog;
    std::function<bool(CDepthPrnDlg&)> runPrintDialog;
    // The answer to the save prompt in tests: Yes, No or Cancel.
    std::function<int(const QString&)> askToSave;
    // Runs the command dialogs (offsets, filter, control points, properties, point
    // information and editor) in place of exec() in tests; true for OK.
    std::function<bool(QDialog&)> runDialog;

    // The last surface made or contoured in the window (null when none since the survey
    // was opened), shown on the plan with the contours traced on it.
    const surface::Surface* LastSurface() const { return lastSurface_.get(); }
    std::shared_ptr<const surface::Surface> LastSurfaceShared() const { return lastSurface_; }
    // `title` heads the layer's key: what its values are.
    void SetLastSurface(std::shared_ptr<const surface::Surface> surface,
                        const std::vector<surface::ContourLine>& contours, const std::string& title = "Level (m)");
    void ClearSurface();
    // View > Show Surface.
    bool SurfaceShown() const;

    // The "Point Information" list of an Enquire box; recalculates when a record was
    // edited in it.
    void ShowPoints(const std::vector<int32_t>& indices);

    // Says surveyChanged when the survey changed since it last did (a command, an undo or
    // redo, a box edit, another survey opened). The window calls it after each of them;
    // it costs nothing when nothing changed.
    void NoticeSurveyChange();

signals:
    // The records may differ from before: what was worked out from them is out of date.
    void surveyChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildActions();
    void BuildMenus();
    QMenu* BuildMenu(const MenuItem& popup, QWidget* parent);
    void BuildToolBars();
    void BuildStatusBar();
    void BuildHandlers();
    void OnTick();
    void UpdateTitle();
    void UpdateRecentMenu();
    void AddRecent(const QString& path);
    std::unique_ptr<QSettings> Settings() const;
    void LoadRecent();
    void SaveRecent();

    // The command itself, once DoCommand found it enabled.
    void RunCommand(int id);
    void RunAction(const CommandInfo& cmd);
    void OnUndo(bool undo);
    void OnNew();
    void OnOpen();
    bool OnSave(bool saveAs);
    void OnImport(const CommandInfo& cmd);
    void OnExport(int id);
    void OnPrint(int id);
    void OnHelp(int id);
    void OnOffsets(int id);
    void OnRange();
    void OnControl(int id);
    void OnProperties();
    void OnImportFormatted();
    void OnAbout();
    void OnConvertCrs();
    void OnCoordinateSystem();
    bool RunDialog(QDialog& dialog);
    void InitialUpdateViews();

    CVKDoc doc_;
    // Every change of the survey, to be undone and redone; it starts with each new or
    // opened document.
    UndoHistory history_;
    std::unique_ptr<QtUserPort> port_;
    std::map<int, QAction*> actions_;
    // What runs the commands whose action is the window's own or a dialog's.
    std::map<int, std::function<void()>> handlers_;
    QList<QMenu*> menus_;
    QToolBar* standardBar_ = nullptr;
    QToolBar* editBar_ = nullptr;
    QToolBar* viewBar_ = nullptr;
    QLabel* pane0_ = nullptr;
    QLabel* pane1_ = nullptr;
    QString statusText_;
    QSplitter* splitter_ = nullptr;
    ViewWidget* plan_ = nullptr;
    ViewWidget* section_ = nullptr;
    ViewWidget* active_ = nullptr;
    QTimer timer_;
    int ticks_ = 0;
    QStringList recent_;
    QString settingsFile_;
    QPrinter printer_;
    QPointer<HelpWindow> help_;
    std::shared_ptr<const surface::Surface> lastSurface_;
    // The history's revision surveyChanged was last said for.
    uint64_t noticedRevision_ = 0;
};

}  // namespace aq::gui
