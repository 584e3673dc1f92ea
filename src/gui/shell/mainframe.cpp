// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/mainframe.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QScreen>
#include <QGuiApplication>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QWhatsThis>
#include <algorithm>
#include <new>

#include "dialogs/crsdlg.h"
#include "dialogs/ctrlpage.h"
#include "dialogs/depthprndlg.h"
#include "dialogs/editdlg.h"
#include "dialogs/exportdlg.h"
#include "dialogs/filtdlg.h"
#include "dialogs/formimportdlg.h"
#include "dialogs/gnsstidedlg.h"
#include "dialogs/helpwindow.h"
#include "dialogs/offdlg.h"
#include "dialogs/setdlg.h"
#include "dialogs/sectionsdlg.h"
#include "dialogs/showdlg.h"
#include "dialogs/volumedlg.h"
#include "export/export.h"
#include "export/textformats.h"
#include "geodesy/controlpoints.h"
#include "import/formatted.h"
#include "io/document.h"
#include "model/docfile.h"
#include "processing/flags.h"
#include "processing/offsets.h"
#include "processing/recalc.h"
#include "render/plotrender.h"
#include "shell/about.h"
#include "shell/filecommands.h"
#include "shell/qualitycontrol.h"
#include "shell/splash.h"
#include "surface/convertcrs.h"
#include "surface/contours.h"
#include "surface/crs.h"
#include "surface/surface.h"
#include "shell/surfacecommands.h"
#include "ui/properties.h"
#include "views/viewwidget.h"

namespace aq::gui {

namespace {

QString MenuText(const char* text) {
    const QString t = QString::fromUtf8(text);
    const qsizetype tab = t.indexOf('\t');
    return tab < 0 ? t : t.left(tab);
}

CRect ToCRect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

constexpr char kRecentGroup[] = "Recent File List";
// View > Equal Scale, chosen apart for grid and geographic surveys.
constexpr char kEqualScaleGrid[] = "View/EqualScaleGrid";
constexpr char kEqualScaleGeographic[] = "View/EqualScaleGeographic";
constexpr char kPreviewPages[] = "Settings/PreviewPages";
constexpr char kShowSurface[] = "Settings/ShowSurface";

}  // namespace

CMainFrame::CMainFrame(const FrameOptions& options, QWidget* parent)
    : QMainWindow(parent), port_(std::make_unique<QtUserPort>(this)), settingsFile_(options.settingsFile) {
    setObjectName(QStringLiteral("CMainFrame"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/aquenta.svg")));
    setAcceptDrops(true);

    // Client area: the plan view above the section view, half the height each.
    splitter_ = new QSplitter(Qt::Vertical, this);
    plan_ = new ViewWidget(doc_, *port_, false, splitter_);
    section_ = new ViewWidget(doc_, *port_, true, splitter_);
    splitter_->addWidget(plan_);
    splitter_->addWidget(section_);
    splitter_->setChildrenCollapsible(false);
    splitter_->setSizes({1, 1});
    splitter_->setHandleWidth(6);
    splitter_->setObjectName(QStringLiteral("ViewSplitter"));
    setCentralWidget(splitter_);
    active_ = plan_;
    plan_->SetActive(true);

    BuildHandlers();
    BuildActions();
    BuildMenus();
    BuildToolBars();
    BuildStatusBar();
    LoadRecent();
    if (const QVariant mb = Settings()->value(QStringLiteral("Settings/UndoMegabytes")); mb.isValid())
        history_.SetBudget(static_cast<size_t>(std::max(0, mb.toInt())) << 20, *port_);
    {
        const std::unique_ptr<QSettings> profile = Settings();
        CVKPView::EqualScaleChoice equal;
        equal.grid = profile->value(QString::fromLatin1(kEqualScaleGrid), equal.grid).toBool();
        equal.geographic = profile->value(QString::fromLatin1(kEqualScaleGeographic), equal.geographic).toBool();
        plan_->SetEqualScaleChoices(equal);
        plan_->Plan().ShowLayer = profile->value(QString::fromLatin1(kShowSurface), true).toBool();
    }

    for (ViewWidget* v : {plan_, section_}) {
        v->busy = [this] { return port_->InPhase(); };
        v->history = &history_;
        connect(v, &ViewWidget::readOut, this, [this](const QString& text) { pane0_->setText(text); });
        connect(v, &ViewWidget::activated, this, &CMainFrame::Activate);
        connect(v, &ViewWidget::documentTouched, this, [this] {
            plan_->Invalidate();
            section_->Invalidate();
            UpdateActions();
            NoticeSurveyChange();
        });
        connect(v, &ViewWidget::listRecords, this, &CMainFrame::ShowPoints);
    }
    connect(port_.get(), &QtUserPort::viewsChanged, this, [this] {
        plan_->Invalidate();
        section_->Invalidate();
    });
    connect(port_.get(), &QtUserPort::statusText, this, &CMainFrame::SetStatusText);
    connect(port_.get(), &QtUserPort::statusNote, this, [this](const QString& text) { statusBar()->showMessage(text, 8000); });
    connect(port_.get(), &QtUserPort::modifiedChanged, this, [this](bool m) { setWindowModified(m); });

    doc_.New(*port_);
    UpdateTitle();
    // The first size, within the screen the window opens on: at a large scale factor
    // 1000 x 760 is more than some screens hold.
    QSize first(1000, 760);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        first = first.boundedTo(screen->availableGeometry().size() * 0.9);
    resize(first);
    // Where the user left the window, its bars and its splitter, when known.
    RestoreLayout();

    if (options.splash) CSplashWnd::ShowSplash(this);
    // The animation clock, and the moment to refresh what the tool bars show.
    connect(&timer_, &QTimer::timeout, this, &CMainFrame::OnTick);
    timer_.start(100);
    ticks_ = 0;
    UpdateActions();
}

CMainFrame::~CMainFrame() { timer_.stop(); }

QAction* CMainFrame::Action(int id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::BuildActions() {
    std::map<int, QList<QKeySequence>> keys;
    for (const Accelerator& a : Accelerators()) keys[a.id].append(QKeySequence(QString::fromStdString(a.keys)));
    for (const CommandInfo& cmd : CommandTable()) {
        if (cmd.reach == Reach::CliOnly) continue;
        auto* action = new QAction(MenuText(cmd.text), this);
        action->setObjectName(QStringLiteral("cmd%1").arg(cmd.id));
        action->setData(cmd.id);
        const QString prompt = QString::fromUtf8(StatusPrompt(cmd).data(), static_cast<qsizetype>(StatusPrompt(cmd).size()));
        const std::string_view tip = ToolTip(cmd);
        action->setStatusTip(prompt);
        action->setWhatsThis(prompt);
        action->setToolTip(tip.empty() ? action->text().remove('&')
                                       : QString::fromUtf8(tip.data(), static_cast<qsizetype>(tip.size())));
        action->setCheckable(cmd.checkable);
        if (const auto it = keys.find(cmd.id); it != keys.end()) action->setShortcuts(it->second);
        if (cmd.icon) action->setIcon(QIcon(QStringLiteral(":/icons/toolbar/%1.svg").arg(QLatin1String(cmd.icon))));
        const int id = cmd.id;
        connect(action, &QAction::triggered, this, [this, id] { DoCommand(id); });
        // Keys work wherever the focus is in the window, menus or not.
        addAction(action);
        actions_[cmd.id] = action;
    }
}

QMenu* CMainFrame::BuildMenu(const MenuItem& popup, QWidget* parent) {
    auto* menu = new QMenu(QString::fromUtf8(popup.text), parent);
    menus_.append(menu);
    // Every rule is applied whenever a menu is shown.
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateActions);
    for (const MenuItem& item : popup.items) {
        switch (item.kind) {
            case MenuKind::Separator: menu->addSeparator(); break;
            case MenuKind::Popup: menu->addMenu(BuildMenu(item, menu)); break;
            case MenuKind::Command:
                if (QAction* a = Action(item.id)) menu->addAction(a);
                break;
            case MenuKind::RecentFiles:
                for (int i = 0; i < RECENT_FILE_COUNT; ++i)
                    if (QAction* a = Action(ID_FILE_MRU_FILE1 + i)) menu->addAction(a);
                break;
        }
    }
    return menu;
}

void CMainFrame::BuildMenus() {
    for (const MenuItem& popup : MenuBar()) menuBar()->addMenu(BuildMenu(popup, menuBar()));
}

void CMainFrame::BuildToolBars() {
    const std::vector<ToolBarInfo>& bars = ToolBars();
    QToolBar* made[3] = {};
    for (size_t b = 0; b < bars.size() && b < 3; ++b) {
        auto* bar = new QToolBar(QString::fromLatin1(bars[b].name), this);
        bar->setObjectName(QString::fromLatin1(bars[b].name));
        bar->setIconSize(QSize(16, 15));
        for (int id : bars[b].buttons) {
            if (id == ID_SEPARATOR)
                bar->addSeparator();
            else if (QAction* a = Action(id))
                bar->addAction(a);
        }
        // Every bar starts along the top and can be moved to any side or floated; where
        // the user left it is remembered (RestoreLayout).
        bar->setAllowedAreas(Qt::AllToolBarAreas);
        bar->setMovable(true);
        bar->setFloatable(true);
        addToolBar(Qt::TopToolBarArea, bar);
        // A bar without a button would only be an empty strip.
        if (bar->actions().isEmpty()) bar->hide();
        made[b] = bar;
    }
    standardBar_ = made[0];
    editBar_ = made[1];
    viewBar_ = made[2];
}

void CMainFrame::BuildStatusBar() {
    pane0_ = new QLabel(QString::fromLatin1(IDLE_PROMPT), this);
    pane0_->setObjectName(QStringLiteral("pane0"));
    pane1_ = new QLabel(this);
    pane1_->setObjectName(QStringLiteral("pane1"));
    pane1_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // Wide enough for seven-digit counts of every kind.
    pane1_->setMinimumWidth(
        pane1_->fontMetrics().horizontalAdvance(
            QStringLiteral("8888888 Event, 8888888 Tide, 8888888 Pos, 8888888 Depth, 8888888 Deleted")) +
        2 * pane1_->frameWidth() + 16);
    pane1_->setAlignment(Qt::AlignCenter);
    statusBar()->addWidget(pane0_, 1);
    statusBar()->addPermanentWidget(pane1_);
    // Once a prompt goes, the idle text comes back.
    connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& message) {
        if (message.isEmpty()) pane0_->setText(QString::fromLatin1(IDLE_PROMPT));
    });
    SetStatusText({});
}

void CMainFrame::SetStatusText(const QString& text) {
    statusText_ = text;
    pane1_->setEnabled(!text.isEmpty());
    pane1_->setText(text);
}

QString CMainFrame::StatusPane0() const {
    const QString message = statusBar()->currentMessage();
    return message.isEmpty() ? pane0_->text() : message;
}
QString CMainFrame::StatusPane1() const { return pane1_->isEnabled() ? pane1_->text() : QString(); }
bool CMainFrame::StatusPane1Shown() const { return pane1_->isEnabled() && !pane1_->text().isEmpty(); }

void CMainFrame::Activate(ViewWidget* view) {
    active_ = view;
    plan_->SetActive(view == plan_);
    section_->SetActive(view == section_);
    UpdateActions();
}

// The window's side of the commands that are not plain, import or export actions of the
// table: its documents, printing, views, bars and help, and the dialogs that fill a
// command's values.
void CMainFrame::BuildHandlers() {
    handlers_ = {
        {ID_FILE_NEW, [this] { OnNew(); }},
        {ID_EDIT_UNDO, [this] { OnUndo(true); }},
        {ID_EDIT_REDO, [this] { OnUndo(false); }},
        {ID_FILE_OPEN, [this] { OnOpen(); }},
        {ID_FILE_SAVE, [this] { OnSave(false); }},
        {ID_FILE_SAVE_AS, [this] { OnSave(true); }},
        {ID_FILE_PRINT, [this] { OnPrint(ID_FILE_PRINT); }},
        {ID_FILE_PRINT_DIRECT, [this] { OnPrint(ID_FILE_PRINT_DIRECT); }},
        {ID_FILE_PRINT_PREVIEW, [this] { OnPrint(ID_FILE_PRINT_PREVIEW); }},
        {ID_FILE_PRINT_SETUP, [this] { OnPrint(ID_FILE_PRINT_SETUP); }},
        {ID_APP_EXIT, [this] { close(); }},
        {ID_APP_ABOUT, [this] { OnAbout(); }},
        {ID_HELP_FINDER, [this] { OnHelp(ID_HELP_FINDER); }},
        {ID_HELP, [this] { OnHelp(ID_HELP); }},
        {ID_CONTEXT_HELP, [this] { OnHelp(ID_CONTEXT_HELP); }},
        {ID_NEXT_PANE, [this] { (active_ == plan_ ? section_ : plan_)->setFocus(Qt::ShortcutFocusReason); }},
        {ID_PREV_PANE, [this] { (active_ == plan_ ? section_ : plan_)->setFocus(Qt::ShortcutFocusReason); }},
        {ID_VIEW_TOOLBAR, [this] { standardBar_->setVisible(standardBar_->isHidden()); }},
        {ID_VIEW_STATUS_BAR, [this] { statusBar()->setVisible(statusBar()->isHidden()); }},
        {ID_VIEW_EDITBAR, [this] { editBar_->setVisible(editBar_->isHidden()); }},
        {ID_VIEW_SHOW_DELETED,
         [this] {
             const bool show = !plan_->ShowDeleted();
             plan_->SetShowDeleted(show);
             section_->SetShowDeleted(show);
         }},
        {ID_VIEW_EQUAL_SCALE,
         [this] {
             plan_->SetEqualScale(!plan_->EqualScale());
             const CVKPView::EqualScaleChoice choice = plan_->EqualScaleChoices();
             const std::unique_ptr<QSettings> profile = Settings();
             profile->setValue(QString::fromLatin1(kEqualScaleGrid), choice.grid);
             profile->setValue(QString::fromLatin1(kEqualScaleGeographic), choice.geographic);
         }},
        {ID_VIEW_ANIMATE, [this] { doc_.Animating = !doc_.Animating; }},
        {ID_VIEW_SHOW_SURFACE,
         [this] {
             plan_->Plan().ShowLayer = !plan_->Plan().ShowLayer;
             Settings()->setValue(QString::fromLatin1(kShowSurface), plan_->Plan().ShowLayer);
             plan_->Invalidate();
         }},
        {ID_SURFACE_GRID, [this] { GridSurfaceCommand(*this); }},
        {ID_SURFACE_CONTOURS, [this] { ContoursCommand(*this); }},
        {ID_OFFSETS_POSITIONS, [this] { OnOffsets(ID_OFFSETS_POSITIONS); }},
        {ID_OFFSETS_DEPTHS, [this] { OnOffsets(ID_OFFSETS_DEPTHS); }},
        {ID_OFFSETS_TIDE, [this] { OnOffsets(ID_OFFSETS_TIDE); }},
        {ID_FILTER_RANGE, [this] { OnRange(); }},
        {ID_CONTROL_ADD, [this] { OnControl(ID_CONTROL_ADD); }},
        {ID_CONTROL_EDIT, [this] { OnControl(ID_CONTROL_EDIT); }},
        {ID_EDIT_PROPERTIES, [this] { OnProperties(); }},
        {ID_IMPORT_FORMATTED, [this] { OnImportFormatted(); }},
        {ID_CONVERT_CRS, [this] { OnConvertCrs(); }},
        {ID_COORDINATE_SYSTEM, [this] { OnCoordinateSystem(); }},
        {ID_QC_LINES, [this] { ShowSurveyLines(*this); }},
        {ID_QC_CROSSINGS, [this] { ShowCrossings(*this); }},
        {ID_QC_FLAG_SPIKES, [this] { FlagSpikesInWindow(*this); }},
        {ID_SURVEY_REPORT, [this] { SurveyReportInWindow(*this); }},
        {ID_TIDE_FROM_GNSS,
         [this] { TideFromGnssCommand(doc_, *port_, this, [this](QDialog& d) { return RunDialog(d); }); }},
        {ID_TIDE_COMPARE,
         [this] { TideCompareCommand(doc_, *port_, this, [this](QDialog& d) { return RunDialog(d); }); }},
        {ID_SURFACE_VOLUMES,
         [this] {
             // The difference of the survey and its reference goes onto the plan as its layer.
             auto difference = std::make_shared<surface::Surface>();
             VolumesCommand(
                 doc_, *port_, this, [this](QDialog& d) { return RunDialog(d); }, difference.get());
             double low = 0, high = 0;
             if (difference->Cells() > 0 && difference->Range(low, high))
                 SetLastSurface(std::move(difference), {}, "Survey less reference (m)");
         }},
        {ID_SURFACE_SECTIONS,
         [this] { SectionsCommand(doc_, *port_, this, [this](QDialog& d) { return RunDialog(d); }); }},
    };
    for (const int id : {ID_ZOOM_EXTENTS, ID_ZOOM_OUT, ID_PAN_LEFT, ID_PAN_RIGHT, ID_PAN_UP, ID_PAN_DOWN})
        handlers_[id] = [this, id] { active_->ZoomPan(id); };
    for (const CommandInfo& cmd : CommandTable()) {
        if (const int mode = DragModeOf(cmd.id); mode >= 0)
            handlers_[cmd.id] = [this, mode] { active_->SetDragMode(mode); };
    }
    for (int i = 0; i < RECENT_FILE_COUNT; ++i) {
        handlers_[ID_FILE_MRU_FILE1 + i] = [this, i] {
            if (i < recent_.size() && SaveModified()) OpenFile(recent_[i]);
        };
    }
}

bool CMainFrame::Handled(int id) const {
    const CommandInfo* cmd = FindCommand(id);
    if (!cmd || cmd->reach == Reach::CliOnly) return false;
    switch (cmd->action) {
        case ActionKind::Plain: return cmd->run != nullptr;
        case ActionKind::Import: return cmd->import != nullptr;
        case ActionKind::Export: return FindExportFormat(id) != nullptr;
        case ActionKind::Window:
        case ActionKind::Values: return handlers_.count(id) != 0;
        case ActionKind::Listing: return false;
    }
    return false;
}

void CMainFrame::UpdateActions() {
    CommandContext ctx = active_->State().Context(&doc_, active_->Which());
    ctx.toolBarVisible = standardBar_ && !standardBar_->isHidden();
    ctx.statusBarVisible = !statusBar()->isHidden();
    ctx.editBarVisible = editBar_ && !editBar_->isHidden();
    ctx.deletedShown = plan_->ShowDeleted();
    ctx.equalScale = plan_->EqualScale();
    ctx.surfaceShown = SurfaceShown();
    ctx.recentFileCount = static_cast<int>(recent_.size());
    ctx.canUndo = history_.CanUndo();
    ctx.canRedo = history_.CanRedo();
    // Edit > Undo and Redo name the step they take.
    const auto name = [](const char* verb, const std::string& step, const char* key) {
        QString text = QString::fromLatin1(verb);
        if (!step.empty()) text += QLatin1Char(' ') + QString::fromStdString(step).replace(QLatin1Char('&'), "&&");
        return text + QLatin1Char('\t') + QString::fromLatin1(key);
    };
    if (QAction* undo = Action(ID_EDIT_UNDO)) undo->setText(name("&Undo", history_.UndoName(), "Ctrl+Z"));
    if (QAction* redo = Action(ID_EDIT_REDO)) redo->setText(name("&Redo", history_.RedoName(), "Ctrl+Y"));
    for (const auto& [id, action] : actions_) {
        const CommandState s = EvaluateCommand(id, ctx);
        // A command without a handler is disabled.
        action->setEnabled(s.enabled && Handled(id));
        if (action->isCheckable()) action->setChecked(s.checked);
    }
}

void CMainFrame::OnTick() {
    if (port_->InPhase()) return;  // the progress dialog is being painted mid-phase
    ++ticks_;
    if (doc_.AnimateTicks > 0 && ticks_ % doc_.AnimateTicks == 0) doc_.AnimateStep(*port_);
    UpdateActions();
    // Whatever way the survey changed, the tick after it tells.
    NoticeSurveyChange();
}

void CMainFrame::NoticeSurveyChange() {
    if (port_->InPhase() || history_.Revision() == noticedRevision_) return;
    noticedRevision_ = history_.Revision();
    emit surveyChanged();
}

void CMainFrame::UpdateTitle() {
    setWindowTitle(QString::fromStdString(ShownTitle(doc_)) + QStringLiteral("[*] - ") + QString::fromLatin1(APP_TITLE));
    setWindowModified(doc_.Modified);
}

void CMainFrame::InitialUpdateViews() {
    plan_->InitialUpdate();
    section_->InitialUpdate();
    UpdateTitle();
    UpdateActions();
}

// ---- commands ----

void CMainFrame::DoCommand(int id) {
    UpdateActions();
    QAction* action = Action(id);
    if (!action || !action->isEnabled()) return;
    try {
        RunCommand(id);
    } catch (const std::bad_alloc&) {
        // The program goes on: the command's own checks keep the document whole or reset it.
        QString name = action->text();
        name.remove(QLatin1Char('&'));
        name = name.section(QLatin1Char('\t'), 0, 0);
        if (name.endsWith(QStringLiteral("..."))) name.chop(3);
        port_->Message("Not enough memory to finish " + name.toStdString() + ".", Severity::Error);
        InitialUpdateViews();
    }
    UpdateActions();
    NoticeSurveyChange();
}

void CMainFrame::RunCommand(int id) {
    const CommandInfo* cmd = FindCommand(id);
    if (!cmd) return;
    // A command that changes the survey becomes a step of the history. The drag modes only
    // choose what a box does; the box itself is the step (see the views).
    if (cmd->undo == UndoKind::Records || cmd->undo == UndoKind::Fields) {
        Undoable(&history_, doc_, UndoStepName(*cmd), UndoScopeOf(cmd->undo), *port_, [&] { RunAction(*cmd); });
        UpdateTitle();
        return;
    }
    RunAction(*cmd);
}

void CMainFrame::RunAction(const CommandInfo& command) {
    const CommandInfo* cmd = &command;
    const int id = cmd->id;
    switch (cmd->action) {
        case ActionKind::Plain:
            if (cmd->run) cmd->run(doc_, *port_);
            return;
        case ActionKind::Import: OnImport(*cmd); return;
        case ActionKind::Export: OnExport(id); return;
        case ActionKind::Window:
        case ActionKind::Values:
            if (const auto it = handlers_.find(id); it != handlers_.end()) it->second();
            return;
        case ActionKind::Listing: return;
    }
}

bool CMainFrame::SaveModified() {
    if (!doc_.Modified) return true;
    const QString text = QStringLiteral("Save changes to %1?").arg(QString::fromStdString(ShownTitle(doc_)));
    const int answer = askToSave ? askToSave(text)
                                 : QMessageBox::question(this, QtUserPort::BoxTitle(), text,
                                                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                                         QMessageBox::Yes);
    if (answer == QMessageBox::Cancel) return false;
    if (answer == QMessageBox::Yes) return OnSave(false);
    return true;
}

void CMainFrame::OnUndo(bool undo) {
    if (undo ? !history_.Undo(doc_, *port_) : !history_.Redo(doc_, *port_)) return;
    plan_->Invalidate();
    section_->Invalidate();
    UpdateTitle();
}

void CMainFrame::OnNew() {
    if (!SaveModified()) return;
    doc_.New(*port_);
    doc_.PathName.clear();
    doc_.SetModified(false, *port_);
    history_.Clear();
    ClearSurface();
    InitialUpdateViews();
}

void CMainFrame::SetLastSurface(std::shared_ptr<const surface::Surface> surface,
                                const std::vector<surface::ContourLine>& contours, const std::string& title) {
    lastSurface_ = std::move(surface);
    plan_->Plan().Layer =
        lastSurface_ ? std::make_shared<const PlanLayer>(MakePlanLayer(*lastSurface_, contours, title)) : nullptr;
    plan_->Invalidate();
    UpdateActions();
}

void CMainFrame::ClearSurface() {
    lastSurface_.reset();
    plan_->Plan().Layer.reset();
    plan_->Invalidate();
}

bool CMainFrame::SurfaceShown() const { return plan_->Plan().ShowLayer; }

QString CMainFrame::ChoosePath(int command, bool save, const QString& title, const QStringList& filters,
                               const QString& initialName, const QString& suffix) {
    if (choosePath) return choosePath(command, save);
    QFileDialog dialog(this, title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters(filters);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!suffix.isEmpty()) dialog.setDefaultSuffix(suffix);
    // An initial name that is a pattern picks the filter; a plain name is proposed.
    if (!initialName.isEmpty() && !initialName.contains('*')) dialog.selectFile(initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

void CMainFrame::OnOpen() {
    if (!SaveModified()) return;
    const QString path = ChoosePath(ID_FILE_OPEN, false, QStringLiteral("Open"),
                                    {QString::fromLatin1(DOC_FILTER), QStringLiteral("All Files (*)")}, {}, {});
    if (!path.isEmpty()) OpenFile(path);
}

bool CMainFrame::OpenFile(const QString& path) {
    const bool ok =
        OpenDocument(doc_, QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()).toStdString(), *port_);
    // A system recorded beside the survey that PROJ cannot take is told of here.
    if (ok) surface::CheckRecordedCrs(doc_, *port_);
    // Another survey, or the old one reset after a failure: the steps lead nowhere now.
    if (ok || doc_.Records.empty()) history_.Clear(!doc_.Modified);
    // The surface was of the survey that went.
    if (ok || doc_.Records.empty()) ClearSurface();
    if (ok)
        AddRecent(QFileInfo(path).absoluteFilePath());
    else
        recent_.removeAll(QFileInfo(path).absoluteFilePath());
    SaveRecent();
    UpdateRecentMenu();
    InitialUpdateViews();
    NoticeSurveyChange();
    return ok;
}

bool CMainFrame::OnSave(bool saveAs) {
    QString path = QString::fromStdString(doc_.PathName);
    if (saveAs || path.isEmpty()) {
        const QString initial = QString::fromStdString(ShownTitle(doc_)).section('.', 0, 0) + QStringLiteral(".son");
        path = ChoosePath(ID_FILE_SAVE_AS, true, QStringLiteral("Save As"), {QString::fromLatin1(DOC_FILTER)}, initial,
                          QStringLiteral("son"));
        if (path.isEmpty()) return false;
    }
    if (!SaveDocument(doc_, path.toStdString(), *port_)) return false;
    history_.MarkSaved();
    AddRecent(QFileInfo(path).absoluteFilePath());
    UpdateTitle();
    return true;
}

void CMainFrame::OnImport(const CommandInfo& cmd) {
    const int id = cmd.id;
    const ImportDialog* dialog = FindImportDialog(id);
    if (!cmd.import) return;
    const QStringList filters = dialog ? QtFilters(dialog->filter) : QStringList{QStringLiteral("All Files (*)")};
    const QString initial = dialog ? QString::fromStdString(InitialFileName(*dialog, doc_)) : QString();
    const QString path = ChoosePath(id, false, QStringLiteral("Open"), filters, initial, {});
    if (path.isEmpty()) return;
    cmd.import(doc_, QDir::toNativeSeparators(path).toStdString(), *port_);
    UpdateTitle();
}

void CMainFrame::OnExport(int id) {
    const ExportFormatInfo* f = FindExportFormat(id);
    if (!f) return;
    // Hypack says no to a geographic survey before any dialog.
    if (id == ID_EXPORT_HYPACK && HypackRefuses(doc_, *port_)) return;
    const QString path = ChoosePath(id, true, QStringLiteral("Save As"), {QString::fromLatin1(f->filter)},
                                    QString::fromLatin1(f->initialFileName), QString::fromLatin1(f->defaultExtension));
    if (path.isEmpty()) return;
    ExportSelection selection;
    if (f->entitySelection) {
        CExportDlg dlg(f->layerCount, this);
        const bool ok = runExportDialog ? runExportDialog(dlg) : dlg.exec() == QDialog::Accepted;
        if (!ok) return;
        selection = dlg.Selection();
    }
    if (!RunExport(id, doc_, path.toStdString(), selection, *port_)) return;
    // Say where it went and how much was written: exports are otherwise silent.
    const QFileInfo written(path);
    if (written.exists())
        statusBar()->showMessage(QStringLiteral("Exported %1 (%2)")
                                     .arg(QDir::toNativeSeparators(path), locale().formattedDataSize(written.size())),
                                 10000);
}

// ---- command dialogs ----

bool CMainFrame::RunDialog(QDialog& dialog) { return runDialog ? runDialog(dialog) : dialog.exec() == QDialog::Accepted; }

void CMainFrame::OnOffsets(int id) {
    const uint16_t kind = id == ID_OFFSETS_POSITIONS ? REC_POSITION : id == ID_OFFSETS_DEPTHS ? REC_DEPTH : REC_TIDE;
    COffDlg dlg(kind, InitialOffsetValues(doc_), this);
    if (!RunDialog(dlg)) return;
    switch (kind) {
        case REC_POSITION: OffsetPositions(doc_, dlg.Values(), *port_); break;
        case REC_DEPTH: OffsetDepths(doc_, dlg.Values(), *port_); break;
        default: OffsetTide(doc_, dlg.Values(), *port_); break;
    }
}

void CMainFrame::OnImportFormatted() {
    const ImportDialog& inputs = *FindImportDialog(ID_IMPORT_FORMATTED);
    const QString path = ChoosePath(ID_IMPORT_FORMATTED, false, QStringLiteral("Open"), QtFilters(inputs.filter),
                                    QString::fromStdString(InitialFileName(inputs, doc_)), {});
    if (path.isEmpty()) return;
    CFormImportDlg dlg(*port_, this);
    if (!RunDialog(dlg)) return;
    ImportFormatted(doc_, QDir::toNativeSeparators(path).toStdString(), dlg.Layout(), *port_);
    UpdateTitle();
}

void CMainFrame::OnRange() {
    CVKFiltDlg dlg(InitialRangeValues(doc_), this);
    if (!RunDialog(dlg)) return;
    ApplyRange(doc_, dlg.Values(), *port_);
}

void CMainFrame::OnControl(int id) {
    if (id == ID_CONTROL_ADD) {
        ControlSheet sheet(QStringLiteral("Add Control Point"), {ClsqData{}}, this);
        if (!RunDialog(sheet) || sheet.Accepted().empty() || !sheet.Accepted()[0]) return;
        AddControl(doc_, *sheet.Accepted()[0], *port_);
        return;
    }
    ControlSheet sheet(QStringLiteral("Control Points Edit"), doc_.Control.Points, this);
    // Whatever ends the sheet, stations marked unused go.
    if (RunDialog(sheet))
        EditControl(doc_, sheet.Accepted(), *port_);
    else
        EditControl(doc_, {}, *port_);
}

void CMainFrame::OnProperties() {
    CSetDlg dlg(doc_, static_cast<int32_t>(std::min<size_t>(history_.Budget() >> 20, INT32_MAX)), this);
    if (!RunDialog(dlg)) return;
    // The undo memory is the program's, not the survey's: it stays for the next run.
    if (const size_t budget = static_cast<size_t>(dlg.UndoMegabytes()) << 20; budget != history_.Budget()) {
        history_.SetBudget(budget, *port_);
        Settings()->setValue(QStringLiteral("Settings/UndoMegabytes"), dlg.UndoMegabytes());
    }
    ApplyProperties(doc_, dlg.Values(), *port_);
    plan_->Invalidate();
    section_->Invalidate();
}

void CMainFrame::ShowPoints(const std::vector<int32_t>& indices) {
    CShowDlg dlg(doc_, indices, this);
    if (runDialog) dlg.runEditor = [this](CVKEditDlg& editor) { return runDialog(editor); };
    // The edits of the Point Information list are one step.
    Undoable(&history_, doc_, "Edit Points", UndoScope::Records, *port_, [&] {
        RunDialog(dlg);
        if (dlg.Changed()) Recalculate(doc_, *port_);
    });
    UpdateTitle();
    UpdateActions();
    NoticeSurveyChange();
}

void CMainFrame::OnConvertCrs() {
    CCrsDlg dlg(doc_, this);
    if (!RunDialog(dlg)) return;
    const std::string code = dlg.Code().toStdString();
    if (dlg.DeclareOnly())
        surface::DeclareCrs(doc_, code, *port_);
    else
        surface::ConvertToCrs(doc_, code, *port_);
    UpdateTitle();
}

void CMainFrame::OnCoordinateSystem() {
    const surface::CoordinateSystem crs = surface::DocumentCrs(doc_);
    if (!crs.problem.empty()) port_->Message(crs.problem, Severity::Warning);
    QString what;
    switch (crs.kind) {
        case CrsKind::Geographic: what = QStringLiteral("Geographic: longitude and latitude in degrees."); break;
        case CrsKind::TransverseMercator:
            what = QStringLiteral("Transverse Mercator of Convert to UTM: the zone's central meridian, scale factor "
                                  "0.9996, no false easting or northing; metres.");
            break;
        case CrsKind::Projected: what = QStringLiteral("Projected: eastings and northings in metres."); break;
        case CrsKind::LocalGrid:
            what = QStringLiteral("Local engineering system: grid metres that no datum relates to the earth.");
            break;
    }
    QString text = QString::fromStdString(crs.name) + QStringLiteral("\n\n") + what;
    if (crs.epsg) text += QStringLiteral("\nEPSG:%1").arg(crs.epsg);
    QMessageBox box(QMessageBox::Information, QStringLiteral("Coordinate System"), text, QMessageBox::Ok, this);
    box.setDetailedText(QString::fromStdString(crs.wkt));
    RunDialog(box);
}

void CMainFrame::OnAbout() {
    QMessageBox box(QMessageBox::Information, QStringLiteral("About Aquenta"), AboutText(), QMessageBox::Ok, this);
    box.setIconPixmap(windowIcon().pixmap(64, 64));
    RunDialog(box);
}

// ---- printing ----

bool CMainFrame::PrintTo(QPrinter& printer, const SectionPrintSettings* given) {
    ViewWidget* view = active_;
    SectionPrintSettings settings;
    if (view->IsSection()) {
        if (given) {
            settings = *given;
        } else {
            // Shown for every job; Cancel prints with the defaults.
            CDepthPrnDlg dlg(this);
            const bool ok = runPrintDialog ? runPrintDialog(dlg) : dlg.exec() == QDialog::Accepted;
            if (ok) settings = dlg.Settings();
        }
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        port_->Message("The printer could not be started.", Severity::Error);
        return false;
    }
    const QRect area(QPoint(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size());
    if (view->IsSection()) {
        CVKView& s = view->Section();
        const int32_t pages = s.BeginPrinting(ToCRect(area), settings);
        for (int32_t p = 1; p <= pages; ++p) {
            if (p > 1) printer.newPage();
            PaintSectionPage(painter, s, doc_, area, p, pages);
        }
        s.EndPrinting();
    } else {
        PaintPlanPage(painter, view->Plan(), doc_, area);
    }
    painter.end();
    // The page areas replaced the screen's; the next paint takes the screen's again.
    view->Invalidate();
    return true;
}

void CMainFrame::OnPrint(int id) {
    switch (id) {
        case ID_FILE_PRINT_SETUP: {
            QPageSetupDialog dlg(&printer_, this);
            dlg.exec();
            return;
        }
        case ID_FILE_PRINT: {
            QPrintDialog dlg(&printer_, this);
            if (dlg.exec() != QDialog::Accepted) return;
            PrintTo(printer_);
            return;
        }
        case ID_FILE_PRINT_DIRECT: PrintTo(printer_); return;
        case ID_FILE_PRINT_PREVIEW: {
            SectionPrintSettings settings;
            if (active_->IsSection()) {
                CDepthPrnDlg dlg(this);
                const bool ok = runPrintDialog ? runPrintDialog(dlg) : dlg.exec() == QDialog::Accepted;
                if (ok) settings = dlg.Settings();
            }
            QPrintPreviewDialog preview(&printer_, this);
            preview.setWindowTitle(QString::fromStdString(ShownTitle(doc_)) + QStringLiteral(" - Print Preview"));
            connect(&preview, &QPrintPreviewDialog::paintRequested, this,
                    [this, settings](QPrinter* printer) { PrintTo(*printer, &settings); });
            const std::unique_ptr<QSettings> profile = Settings();
            QSettings& store = *profile;
            auto* widget = preview.findChild<QPrintPreviewWidget*>();
            if (widget && store.value(kPreviewPages, 1).toInt() == 2) widget->setViewMode(QPrintPreviewWidget::FacingPagesView);
            preview.resize(900, 700);
            preview.exec();
            if (widget)
                store.setValue(kPreviewPages, widget->viewMode() == QPrintPreviewWidget::FacingPagesView ? 2 : 1);
            return;
        }
        default: return;
    }
}

// ---- help ----

HelpWindow* CMainFrame::Help() {
    if (!help_) help_ = new HelpWindow(this);
    help_->setWindowFlag(Qt::Window);
    return help_;
}

void CMainFrame::OnHelp(int id) {
    switch (id) {
        case ID_HELP_FINDER: Help()->ShowPage(QString::fromLatin1(HELP_INDEX)); break;
        case ID_HELP:
            // F1: the page of what is in front of the user.
            Help()->ShowPage(active_->IsSection() ? QStringLiteral("views.html#section") : QStringLiteral("views.html#plan"));
            break;
        case ID_CONTEXT_HELP: QWhatsThis::enterWhatsThisMode(); break;
        default: break;
    }
}

// ---- recent files ----

// The user's profile: a key named after the maker with a subkey of the program's title.
std::unique_ptr<QSettings> CMainFrame::Settings() const {
    if (!settingsFile_.isEmpty()) return std::make_unique<QSettings>(settingsFile_, QSettings::IniFormat);
    return std::make_unique<QSettings>(QStringLiteral("Aquenta"), QString::fromLatin1(APP_TITLE));
}

void CMainFrame::LoadRecent() {
    const std::unique_ptr<QSettings> profile = Settings();
            QSettings& store = *profile;
    store.beginGroup(QString::fromLatin1(kRecentGroup));
    recent_.clear();
    for (int i = 1; i <= RECENT_FILE_COUNT; ++i) {
        const QString path = store.value(QStringLiteral("File%1").arg(i)).toString();
        if (!path.isEmpty()) recent_ << path;
    }
    UpdateRecentMenu();
}

void CMainFrame::SaveRecent() {
    const std::unique_ptr<QSettings> profile = Settings();
            QSettings& store = *profile;
    store.beginGroup(QString::fromLatin1(kRecentGroup));
    for (int i = 1; i <= RECENT_FILE_COUNT; ++i) {
        const auto k = static_cast<qsizetype>(i - 1);
        if (k < recent_.size())
            store.setValue(QStringLiteral("File%1").arg(i), recent_[k]);
        else
            store.remove(QStringLiteral("File%1").arg(i));
    }
}

void CMainFrame::AddRecent(const QString& path) {
    recent_.removeAll(path);
    recent_.prepend(path);
    while (recent_.size() > RECENT_FILE_COUNT) recent_.removeLast();
    SaveRecent();
    UpdateRecentMenu();
}

void CMainFrame::UpdateRecentMenu() {
    for (int i = 0; i < RECENT_FILE_COUNT; ++i) {
        QAction* a = Action(ID_FILE_MRU_FILE1 + i);
        if (!a) continue;
        const auto k = static_cast<qsizetype>(i);
        if (k < recent_.size()) {
            QString shown = QDir::toNativeSeparators(recent_[k]);
            if (shown.size() > 60) shown = QStringLiteral("...") + shown.right(57);
            shown.replace('&', QStringLiteral("&&"));
            a->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
            a->setStatusTip(QDir::toNativeSeparators(recent_[k]));
            a->setVisible(true);
        } else {
            // An empty list shows one greyed "Recent File".
            a->setText(QStringLiteral("Recent File"));
            a->setVisible(i == 0 && recent_.isEmpty());
        }
    }
}

// ---- the window ----

namespace {
constexpr char kGeometry[] = "Window/Geometry";
constexpr char kState[] = "Window/State";
constexpr char kSplitter[] = "Window/Splitter";
}  // namespace

void CMainFrame::SaveLayout() {
    const std::unique_ptr<QSettings> profile = Settings();
    profile->setValue(QString::fromLatin1(kGeometry), saveGeometry());
    profile->setValue(QString::fromLatin1(kState), saveState());
    profile->setValue(QString::fromLatin1(kSplitter), splitter_->saveState());
}

void CMainFrame::RestoreLayout() {
    const std::unique_ptr<QSettings> profile = Settings();
    if (const QVariant g = profile->value(QString::fromLatin1(kGeometry)); g.isValid()) restoreGeometry(g.toByteArray());
    if (const QVariant s = profile->value(QString::fromLatin1(kState)); s.isValid()) restoreState(s.toByteArray());
    if (const QVariant s = profile->value(QString::fromLatin1(kSplitter)); s.isValid())
        splitter_->restoreState(s.toByteArray());
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!SaveModified()) {
        event->ignore();
        return;
    }
    timer_.stop();
    if (help_) help_->close();
    SaveLayout();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    OpenDropped(urls);
}

void CMainFrame::OpenDropped(const QList<QUrl>& urls) {
    // One document at a time: each dropped file opens in turn, the last stays.
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) continue;
        activateWindow();
        if (!SaveModified()) return;
        OpenFile(url.toLocalFile());
    }
}

}  // namespace aq::gui
