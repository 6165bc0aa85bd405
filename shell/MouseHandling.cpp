// The mouse on the terminal area, which the keys never use: the left button
// selects (drag: cells along the rows; double click: a word; triple click: a
// row) and copies on release, the middle button pastes the primary
// selection, the right button opens the menu of copy and paste, and the
// wheel and a scroll bar move the view into the history.
//
// A filter on the terminal area takes its mouse events; those of the panels
// on it (the host prompt, the about panel) and of the scroll bar are theirs.

#include "shell/HelpForm.h"
#include "shell/MainWindow.h"

#include "platform/Clipboard.h"
#include "platform/MessageBox.h"
#include "platform/PastedText.h"
#include "terminal/SelectionText.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QFrame>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace lemnar {

namespace {

// One notch of the wheel, in Qt's eighths of a degree.
constexpr int WheelNotch = 120;

// "Вставить 6 строк ?", the number's form as Russian takes it.
// A paste still under way after this long shows its progress in the
// caption, renewed this often.
constexpr int PasteProgressAfterMs = 1000;
constexpr int PasteProgressEveryMs = 250;

std::string PasteProgressCaption(const std::string& status, int percent) {
    return status + "  Вставка: " + std::to_string(percent) + "%";
}

std::string PasteQuestion(int lines) {
    const int lastTwo = lines % 100;
    const int last = lines % 10;
    const char* word = "строк";
    if (last == 1 && lastTwo != 11)
        word = "строку";
    else if (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14))
        word = "строки";
    return "Вставить " + std::to_string(lines) + " " + word + " ?";
}

// How a drag grows the selection: by cells, by words after a double click,
// by rows after a triple click.
enum class TSelectBy { Cells, Words, Rows };

class TTerminalMouse final : public QObject {
  public:
    // Owned by the terminal area, whose events it takes.
    explicit TTerminalMouse(TMainWindow& window)
        : QObject(window.View), Window(window), Area(window.View) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        // The window may be going: nothing of it is touched before this.
        if (watched != Area)
            return false;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            return Press(*static_cast<QMouseEvent*>(event));
        case QEvent::MouseButtonDblClick:
            return DoubleClick(*static_cast<QMouseEvent*>(event));
        case QEvent::MouseMove:
            return Move(*static_cast<QMouseEvent*>(event));
        case QEvent::MouseButtonRelease:
            return Release(*static_cast<QMouseEvent*>(event));
        case QEvent::Wheel:
            return Wheel(*static_cast<QWheelEvent*>(event));
        case QEvent::ContextMenu:
            return ContextMenu(*static_cast<QContextMenuEvent*>(event));
        default:
            return false;
        }
    }

  private:
    struct TCellPos {
        long long Line = 0;
        int Col = 0;
        bool operator==(const TCellPos&) const = default;
    };

    // On a panel or the scroll bar, not on the terminal's cells. Events
    // that a panel leaves travel on to the terminal area.
    bool OnControl(QPointF pos) const { return Area->childAt(pos.toPoint()) != nullptr; }

    // The cell under a point, kept within the grid.
    TCellPos CellAt(QPointF pos) const {
        const TTerminal& t = Window.Terminal;
        const int row =
            std::clamp(static_cast<int>(std::floor(pos.y() / std::max(t.CellHeight, 1))), 0,
                       std::max(t.ScreenRows - 1, 0));
        const int col = std::clamp(static_cast<int>(std::floor(pos.x() / std::max(t.CellWidth, 1))),
                                   0, std::max(t.ScreenCols - 1, 0));
        return {t.View.LineAt(row), col};
    }

    void Changed() { Window.View->PictureChanged(); }

    bool Press(const QMouseEvent& e) {
        if (OnControl(e.position()))
            return false;
        if (e.button() == Qt::MiddleButton)
            return true; // pastes on release
        if (e.button() != Qt::LeftButton)
            return false;
        TView& view = Window.Terminal.View;
        Dragging = true;
        Moved = false;
        Anchor = CellAt(e.position());
        // The press that follows a double click at the same place.
        if (SinceDoubleClick.isValid() &&
            SinceDoubleClick.elapsed() < QApplication::doubleClickInterval() &&
            (e.position() - DoubleClickAt).manhattanLength() <= QApplication::startDragDistance()) {
            SinceDoubleClick.invalidate();
            By = TSelectBy::Rows;
            SelectTo(Anchor);
            return true;
        }
        By = TSelectBy::Cells;
        if (view.Selection() != nullptr) {
            view.ClearSelection();
            Changed();
        }
        return true;
    }

    bool DoubleClick(const QMouseEvent& e) {
        if (OnControl(e.position()) || e.button() != Qt::LeftButton)
            return false;
        Dragging = true;
        Moved = true;
        By = TSelectBy::Words;
        Anchor = CellAt(e.position());
        SinceDoubleClick.start();
        DoubleClickAt = e.position();
        SelectTo(Anchor);
        return true;
    }

    bool Move(const QMouseEvent& e) {
        if (!Dragging || !(e.buttons() & Qt::LeftButton))
            return false;
        // Past the top or bottom edge the view follows, a row per move.
        const TTerminal& t = Window.Terminal;
        if (e.position().y() < 0)
            Window.ScrollHistory(1);
        else if (e.position().y() >= t.ScreenRows * t.CellHeight && t.View.ViewBack() > 0)
            Window.ScrollHistory(-1);
        const TCellPos at = CellAt(e.position());
        // A press and release in one cell is a click, not a selection.
        if (By == TSelectBy::Cells && !Moved && at == Anchor)
            return true;
        Moved = true;
        SelectTo(at);
        return true;
    }

    bool Release(const QMouseEvent& e) {
        if (e.button() == Qt::MiddleButton) {
            if (OnControl(e.position()))
                return false;
            Window.PastePrimary();
            return true;
        }
        if (e.button() != Qt::LeftButton || !Dragging)
            return false;
        Dragging = false;
        Window.CopySelection();
        return true;
    }

    bool Wheel(const QWheelEvent& e) {
        if (OnControl(e.position()))
            return false;
        // Fine-grained wheels and touchpads send parts of a notch.
        WheelRest += e.angleDelta().y();
        const int step = WheelNotch / TMainWindow::WheelRows;
        const int rows = WheelRest / step;
        WheelRest -= rows * step;
        if (rows != 0)
            Window.ScrollHistory(rows);
        return true;
    }

    bool ContextMenu(const QContextMenuEvent& e) {
        if (OnControl(e.pos()))
            return false;
        Window.ShowTerminalMenu(e.globalPos());
        return true;
    }

    // The selection from the anchor to a cell, grown as the drag began.
    void SelectTo(const TCellPos& at) {
        const TTerminal& t = Window.Terminal;
        TSelection s{Anchor.Line, Anchor.Col, at.Line, at.Col};
        if (By == TSelectBy::Words) {
            const bool forward =
                at.Line > Anchor.Line || (at.Line == Anchor.Line && at.Col >= Anchor.Col);
            const TSelection first =
                WordAt(t, forward ? Anchor.Line : at.Line, forward ? Anchor.Col : at.Col);
            const TSelection last =
                WordAt(t, forward ? at.Line : Anchor.Line, forward ? at.Col : Anchor.Col);
            s = {first.FromLine, first.FromCol, last.ToLine, last.ToCol};
        } else if (By == TSelectBy::Rows) {
            s = {std::min(Anchor.Line, at.Line), 0, std::max(Anchor.Line, at.Line),
                 std::max(t.ScreenCols - 1, 0)};
        }
        Window.Terminal.View.Select(s);
        Changed();
    }

    TMainWindow& Window;
    QWidget* const Area;
    bool Dragging = false;
    bool Moved = false;
    TSelectBy By = TSelectBy::Cells;
    TCellPos Anchor;
    QElapsedTimer SinceDoubleClick;
    QPointF DoubleClickAt;
    int WheelRest = 0;
};

} // namespace

void TMainWindow::CreateTerminalMouse() {
    HistoryBar = new QScrollBar(Qt::Vertical, View);
    HistoryBar->setObjectName(QStringLiteral("HistoryBar"));
    // The keys stay with the terminal area; the bar keeps the ordinary
    // colours, not the terminal's black.
    HistoryBar->setFocusPolicy(Qt::NoFocus);
    HistoryBar->setPalette(QApplication::palette());
    HistoryBar->hide();
    connect(HistoryBar, &QScrollBar::valueChanged, this, [this](int value) {
        const long long top = Terminal.History.Dropped() + value;
        ScrollHistory(static_cast<int>(Terminal.View.ViewTop() - top));
    });

    TerminalMenu = new QMenu(this);
    TerminalMenu->setObjectName(QStringLiteral("TerminalMenu"));
    CopyItem = TerminalMenu->addAction(QStringLiteral("Копировать"));
    PasteItem = TerminalMenu->addAction(QStringLiteral("Вставить"));
    StopPasteItem = TerminalMenu->addAction(QStringLiteral("Остановить вставку"));
    connect(CopyItem, &QAction::triggered, this, [this] { CopySelection(); });
    connect(PasteItem, &QAction::triggered, this, [this] { PasteClipboard(); });
    connect(StopPasteItem, &QAction::triggered, this, [this] { StopPaste(); });

    View->installEventFilter(new TTerminalMouse(*this));
}

void TMainWindow::CopySelection() {
    const TSelection* selection = Terminal.View.Selection();
    if (selection != nullptr)
        CopyToClipboard(SelectionText(Terminal, *selection));
}

bool TMainWindow::PasteAllowed() const {
    return Connected == 1 && !Panel->isVisible() && !(HelpForm != nullptr && HelpForm->isVisible());
}

void TMainWindow::PasteText(const QString& text) {
    if (!PasteAllowed() || text.isEmpty())
        return;
    const QList<uint> characters = text.toUcs4();
    const TPastedText pasted = PasteBytes(std::u32string(characters.begin(), characters.end()));
    if (pasted.Lines > PasteQuestionLines) {
        if (ShowMessageBox(this, PasteQuestion(pasted.Lines), TMessageKind::YesNoQuestion) != IdYes)
            return;
        // The box ran an event loop: the connection may have gone meanwhile.
        if (!PasteAllowed())
            return;
    }
    ViewLive();
    try {
        Link().SendText(pasted.Bytes);
    } catch (const EIdConnClosedGracefully&) {
        return; // the connection is going; its end is reported by the engine
    }
    if (!PasteTimer->isActive()) {
        PasteTimer->setInterval(PasteProgressAfterMs);
        PasteTimer->start();
    }
}

void TMainWindow::PasteTimerTimer() {
    PasteTimer->stop();
    const TIdSendQueue::TProgress progress = Link().TextProgress();
    if (!progress.Active() || Connected != 1) {
        Caption(ShellState.StatusCaption);
        return;
    }
    const auto percent = static_cast<int>(100.0 * static_cast<double>(progress.Sent) /
                                          static_cast<double>(progress.Total));
    Caption(PasteProgressCaption(ShellState.StatusCaption, percent));
    PasteTimer->setInterval(PasteProgressEveryMs);
    PasteTimer->start();
}

void TMainWindow::StopPaste() {
    Link().StopText();
    if (PasteTimer->isActive() || windowTitle().toStdString() != ShellState.StatusCaption) {
        PasteTimer->stop();
        if (Connected == 1)
            Caption(ShellState.StatusCaption);
    }
}

void TMainWindow::PasteClipboard() {
    PasteText(ClipboardText());
}

void TMainWindow::PastePrimary() {
    PasteText(PrimarySelectionText());
}

void TMainWindow::ScrollHistory(int rows) {
    Terminal.View.ScrollView(rows);
    UpdateHistoryBar();
    View->PictureChanged();
}

void TMainWindow::ViewLive() {
    if (Terminal.View.ViewBack() == 0 && !HistoryBar->isVisible())
        return;
    Terminal.View.ViewLive();
    UpdateHistoryBar();
    View->PictureChanged();
}

void TMainWindow::UpdateHistoryBar() {
    const TView& view = Terminal.View;
    const bool back = view.ViewBack() > 0;
    if (back) {
        // The bar's bottom is the live screen; its top the oldest row kept.
        const QSignalBlocker quiet(HistoryBar);
        HistoryBar->setRange(0, Terminal.History.Count());
        HistoryBar->setPageStep(std::max(Terminal.ScreenRows, 1));
        HistoryBar->setValue(static_cast<int>(view.ViewTop() - Terminal.History.Dropped()));
        const int width = HistoryBar->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        HistoryBar->setGeometry(View->width() - width, 0, width, View->height());
    }
    HistoryBar->setVisible(back);
}

void TMainWindow::ShowTerminalMenu(const QPoint& globalPos) {
    CopyItem->setEnabled(Terminal.View.Selection() != nullptr);
    PasteItem->setEnabled(PasteAllowed() && !ClipboardText().isEmpty());
    StopPasteItem->setEnabled(Connected == 1 && Link().TextProgress().Active());
    TerminalMenu->popup(globalPos);
}

} // namespace lemnar
