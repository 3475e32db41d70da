#include "app/qtfrontend_qt.h"

#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <cstdio>
#include <cstring>

#include "app/mainwindow_qt.h"
#include "app/messagelog_qt.h"
#include "app/placement.h"
#include "app/report.h"
#include "edit/dialogs.h"
#include "store/store.h"
#include "view/plot_qt.h"

namespace kestrel {

namespace {

QString Text(const char* s) { return QString::fromUtf8(s ? s : ""); }

QMessageBox::StandardButton Box(QWidget* owner, QMessageBox::Icon icon, const char* caption, const char* text,
                                QMessageBox::StandardButtons buttons, QMessageBox::StandardButton escape) {
  QMessageBox box(icon, Text(caption), Text(text), buttons, owner);
  box.setWindowModality(Qt::ApplicationModal);
  box.setEscapeButton(escape);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

// "Polygons (*.p?d)|*.p?d|All Files (*.*)|*.*" as Qt's name filters. A
// pattern of "*.*" means every file, also those without a dot.
QStringList NameFilters(const char* filter) {
  const QStringList parts = Text(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (int k = 0; k + 1 < parts.size(); k += 2) {
    QString description = parts[k];
    QString pattern = parts[k + 1];
    if (pattern == QLatin1String("*.*")) {
      pattern = QStringLiteral("*");
      description.replace(QLatin1String("(*.*)"), QLatin1String("(*)"));
    }
    if (!description.contains(QLatin1Char('('))) description += QStringLiteral(" (") + pattern + QLatin1Char(')');
    filters << description;
  }
  return filters;
}

// The file dialog. Saving refuses a name whose folder does not exist: the
// dialog says so and stays open, as it does for any other name it cannot take.
class FileDialog : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;

 protected:
  void accept() override {
    // A dialog of the desktop's own (this widget is then never put on the
    // screen) has closed before it gets here: staying open is not possible,
    // and the file commands refuse the name and ask again.
    const bool ownWidgets = !testAttribute(Qt::WA_DontShowOnScreen);
    if (ownWidgets && acceptMode() == QFileDialog::AcceptSave) {
      const QStringList chosen = selectedFiles();
      if (!chosen.isEmpty() && !chosen.first().isEmpty()) {
        const QFileInfo file(chosen.first());
        if (!file.isDir() && !QFileInfo(file.absolutePath()).isDir()) {
          QMessageBox box(QMessageBox::Warning, windowTitle(),
                          QStringLiteral("The folder %1 does not exist.\nChoose a folder that exists.")
                              .arg(QDir::toNativeSeparators(file.absolutePath())),
                          QMessageBox::Ok, this);
          box.exec();
          return;
        }
      }
    }
    QFileDialog::accept();
  }
};

bool RunFileDialog(QWidget* owner, bool save, const char* title, const char* filter, std::string& name) {
  FileDialog dialog(owner, Text(title));
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  const QStringList filters = NameFilters(filter);
  dialog.setNameFilters(filters);
  if (!filters.isEmpty()) dialog.selectNameFilter(filters.first());
  if (!name.empty()) {
    const QFileInfo proposed(QString::fromLocal8Bit(name.c_str()));
    dialog.setDirectory(proposed.absolutePath());
    dialog.selectFile(proposed.fileName());
  }
  if (dialog.exec() != QDialog::Accepted) return false;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.first().isEmpty()) return false;
  name = chosen.first().toLocal8Bit().toStdString();
  return true;
}

// Titles of the one-value dialogs by their resource names, as the logic
// words them (the select dialog names the range of polygon numbers).
QString DialogTitle(const char* dialog) { return Text(DialogCaption(dialog).c_str()); }

}  // namespace

void QtFrontEnd::StatusChanged(bool now) {
  if (!window_) return;
  if (now) {
    window_->status()->repaint();
  } else {
    window_->status()->update();
  }
}

bool QtFrontEnd::NotifyBox(int, const char* caption, const char* text) {
  return Box(nullptr, QMessageBox::Information, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
             QMessageBox::Cancel) == QMessageBox::Ok;
}

void QtFrontEnd::AbortBox(int, const char* caption, const char* text) {
  Box(nullptr, QMessageBox::Critical, caption, text, QMessageBox::Ok, QMessageBox::Ok);
}

void QtFrontEnd::FatalExit(const char* text) {
  std::fprintf(stderr, "%s\n", text);
  _exit(kAbortExitCode);
}

void QtFrontEnd::EndProcess(int exitCode) { _exit(exitCode); }

void QtFrontEnd::SetButtonEnabled(ButtonSlot slot, bool enabled) {
  if (window_) window_->button(slot)->SetEnabled(enabled);
}

void QtFrontEnd::RepaintPlot() {
  if (window_) window_->plot()->Invalidate();
}

void QtFrontEnd::ErasePolygon(int index) {
  if (window_ && index >= 0 && index < store.polygonCount) window_->plot()->ErasePolygon(index);
}

void QtFrontEnd::DrawPolygon(int index) {
  if (window_ && index >= 0 && index < store.polygonCount) window_->plot()->DrawPolygon(index);
}

void QtFrontEnd::InvertLine(int x1, int y1, int x2, int y2) {
  if (window_) window_->plot()->InvertLine(x1, y1, x2, y2);
}

void QtFrontEnd::InvertRectangle(int left, int top, int right, int bottom) {
  if (window_) window_->plot()->InvertRectangle(left, top, right, bottom);
}

void QtFrontEnd::SetWindowText(WindowId window, const char* text) {
  if (!window_) return;
  switch (window) {
    case WindowId::Main:
      window_->setWindowTitle(Text(text));
      break;
    case WindowId::Plot:
      window_->plot()->setWindowTitle(Text(text));
      break;
    case WindowId::Status:
      window_->status()->setWindowTitle(Text(text));
      break;
  }
}

void QtFrontEnd::PostCommand(int command) {
  if (window_) QCoreApplication::postEvent(window_, new CommandEvent(command));
}

void QtFrontEnd::FocusMainWindow() {
  if (!window_) return;
  window_->activateWindow();
  window_->setFocus(Qt::OtherFocusReason);
}

void QtFrontEnd::Quit(int exitCode) { QCoreApplication::exit(exitCode); }

void QtFrontEnd::ShowWarning(const char* caption, const char* text) {
  Box(window_, QMessageBox::Warning, caption, text, QMessageBox::Ok, QMessageBox::Ok);
}

Answer QtFrontEnd::AskYesNoCancel(const char* caption, const char* text) {
  switch (Box(nullptr, QMessageBox::Warning, caption, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
              QMessageBox::Cancel)) {
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    default:
      return Answer::Cancel;
  }
}

bool QtFrontEnd::AskOkCancel(const char* caption, const char* text) {
  return Box(nullptr, QMessageBox::Question, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
             QMessageBox::Cancel) == QMessageBox::Ok;
}

namespace {

// The one-value dialog. The select dialog answers the window manager's close
// request as handled and stays open (Esc and Cancel still close it).
class ValueBox : public QDialog {
 public:
  ValueBox(QWidget* owner, bool keepOnClose) : QDialog(owner), keepOnClose_(keepOnClose) {}

 protected:
  void closeEvent(QCloseEvent* event) override {
    if (keepOnClose_) {
      event->ignore();
    } else {
      QDialog::closeEvent(event);
    }
  }

 private:
  bool keepOnClose_;
};

}  // namespace

bool QtFrontEnd::AskValue(const char* dialog, std::string& value) {
  ValueBox box(window_, std::strcmp(dialog, "SELECT") == 0);
  box.setWindowTitle(DialogTitle(dialog));
  box.setWindowModality(Qt::ApplicationModal);
  auto* layout = new QVBoxLayout(&box);
  const QString shown = QString::fromUtf8(value.c_str());
  auto* edit = new QLineEdit(shown, &box);
  edit->setMaxLength(255);
  edit->selectAll();
  layout->addWidget(edit);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &box);
  layout->addWidget(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
  box.adjustSize();
  if (QScreen* screen = QApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    box.move(area.x() + (area.width() - box.width()) / 2, area.y() + (area.height() - box.height()) / 2);
  }
  if (box.exec() != QDialog::Accepted) return false;
  // An untouched text keeps its bytes: a name that is not UTF-8 would come
  // back with replacement characters.
  if (edit->text() != shown) value = edit->text().toUtf8().toStdString();
  return true;
}

bool QtFrontEnd::AskChoice(const char* title, const char* text, const std::vector<std::string>& items,
                           std::vector<bool>& chosen) {
  QDialog box(window_);
  box.setWindowTitle(Text(title));
  box.setWindowModality(Qt::ApplicationModal);
  auto* layout = new QVBoxLayout(&box);
  layout->addWidget(new QLabel(Text(text), &box));
  auto* list = new QListWidget(&box);
  for (std::size_t k = 0; k < items.size(); ++k) {
    auto* item = new QListWidgetItem(Text(items[k].c_str()), list);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(k < chosen.size() && chosen[k] ? Qt::Checked : Qt::Unchecked);
  }
  layout->addWidget(list);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &box);
  layout->addWidget(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
  box.resize(420, 320);
  if (box.exec() != QDialog::Accepted) return false;
  chosen.assign(items.size(), false);
  for (int k = 0; k < list->count(); ++k) chosen[k] = list->item(k)->checkState() == Qt::Checked;
  return true;
}

bool QtFrontEnd::AskOpenFile(const char* title, const char* filter, std::string& name) {
  return RunFileDialog(window_, false, title, filter, name);
}

bool QtFrontEnd::AskSaveFile(const char* title, const char* filter, std::string& name) {
  return RunFileDialog(window_, true, title, filter, name);
}

void QtFrontEnd::PutClipboardText(const std::string& text) {
  QApplication::clipboard()->setText(QString::fromUtf8(text.c_str()));
}

bool QtFrontEnd::GetClipboardText(std::string& text) {
  const QString content = QApplication::clipboard()->text();
  if (content.isEmpty()) return false;
  text = content.toUtf8().toStdString();
  return true;
}

QTextBrowser* QtFrontEnd::helpWindow() const { return help_.data(); }

bool QtFrontEnd::StartHelp() {
  if (!help_) {
    QFile manual(QStringLiteral(":/docs/manual.md"));
    if (!manual.open(QIODevice::ReadOnly)) return false;
    // A window of its own, going away with the main window.
    help_ = new QTextBrowser(window_);
    help_->setWindowFlag(Qt::Window);
    help_->setAttribute(Qt::WA_DeleteOnClose);
    help_->setWindowTitle(QStringLiteral("Kestrel manual"));
    help_->setOpenExternalLinks(true);
    help_->setMarkdown(QString::fromUtf8(manual.readAll()));
    help_->resize(720, 640);
    PassCommandKeysToMainWindow(help_);
  }
  ShowBeside(help_, true);
  return true;
}

MessageLogWindow* QtFrontEnd::logWindow() const { return log_.data(); }

void QtFrontEnd::MessageLogged(bool added) {
  if (log_ && log_->isVisible()) log_->Follow(added);
}

void QtFrontEnd::ShowMessageLog() {
  if (!window_) return;
  if (!log_) {
    log_ = new MessageLogWindow(window_);
    log_->setAttribute(Qt::WA_DeleteOnClose);
    PassCommandKeysToMainWindow(log_);
  }
  log_->Reload();
  ShowBeside(log_, false);
}

bool QtFrontEnd::TakeDroppedFile(std::string& name) { return window_ && window_->TakeDroppedFile(name); }

void QtFrontEnd::ShowBeside(QWidget* side, bool top) {
  if (!side->isVisible() && window_) {
    const QRect frame = window_->frameGeometry();
    const QScreen* screen = window_->screen();
    const QRect area = screen ? screen->availableGeometry() : frame;
    // The side window's own frame is not known before it is shown: the main
    // window's stands in for it.
    const QMargins margins =
        QMargins(window_->geometry().left() - frame.left(), window_->geometry().top() - frame.top(),
                 frame.right() - window_->geometry().right(), frame.bottom() - window_->geometry().bottom());
    const Rect place = PlaceBeside(Rect{frame.x(), frame.y(), frame.width(), frame.height()},
                                   Rect{area.x(), area.y(), area.width(), area.height()},
                                   side->width() + margins.left() + margins.right(),
                                   side->height() + margins.top() + margins.bottom(), top);
    side->resize(place.width - margins.left() - margins.right(), place.height - margins.top() - margins.bottom());
    side->move(place.x, place.y);
  }
  // The keyboard stays with the main window: its keys go on working.
  side->setAttribute(Qt::WA_ShowWithoutActivating);
  side->show();
  side->raise();
}

void QtFrontEnd::ShowTextFile(const char* name) {
  QDialog viewer(window_);
  viewer.setWindowTitle(Text(name));
  viewer.setWindowModality(Qt::ApplicationModal);
  auto* layout = new QVBoxLayout(&viewer);
  auto* text = new QPlainTextEdit(&viewer);
  text->setReadOnly(true);
  text->setLineWrapMode(QPlainTextEdit::NoWrap);
  text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  QFile file(QString::fromLocal8Bit(name));
  if (file.open(QIODevice::ReadOnly)) {
    text->setPlainText(QString::fromLocal8Bit(file.readAll()));
  } else {
    text->setPlainText(QStringLiteral("The file %1 does not exist or cannot be read.").arg(Text(name)));
  }
  layout->addWidget(text);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &viewer);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &viewer, &QDialog::reject);
  layout->addWidget(buttons);
  viewer.resize(720, 560);
  viewer.exec();
}

void QtFrontEnd::KeepResponsive() {
  // Paints, resizes and the window's input; while the work runs the key
  // filter turns Escape into a stop request and swallows all other input,
  // and commands wait until the work is done (MainWindow::event).
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtFrontEnd::Beep() {
  ++beeps_;
  QApplication::beep();
}

}  // namespace kestrel
