#include "app/messagelog_qt.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include "app/messagelog.h"

namespace kestrel {

namespace {

// One entry as one paragraph of the text: its further lines are breaks
// inside the paragraph, so that the text holds exactly one per entry.
QString EntryParagraph(const LogEntry& entry) {
  QString text = QString::fromUtf8(LogEntryText(entry).c_str());
  text.replace(QLatin1Char('\n'), QChar::LineSeparator);
  return text;
}

}  // namespace

MessageLogWindow::MessageLogWindow(QWidget* owner) : QWidget(owner, Qt::Window), text_(new QPlainTextEdit(this)) {
  setWindowTitle(QStringLiteral("Kestrel messages"));
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  text_->setMaximumBlockCount(static_cast<int>(kMaxLogEntries) + 1);
  auto* copy = new QPushButton(QStringLiteral("Copy all"), this);
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  connect(copy, &QPushButton::clicked, this, &MessageLogWindow::CopyAll);
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(copy);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_);
  layout->addLayout(buttons);
  resize(640, 320);
}

void MessageLogWindow::Reload() {
  QStringList paragraphs;
  if (messageLog.dropped > 0) {
    paragraphs << QStringLiteral("(%1 earlier messages are no longer kept)").arg(messageLog.dropped);
  }
  for (const LogEntry& entry : messageLog.entries) paragraphs << EntryParagraph(entry);
  text_->setPlainText(paragraphs.join(QLatin1Char('\n')));
  text_->verticalScrollBar()->setValue(text_->verticalScrollBar()->maximum());
}

void MessageLogWindow::Follow(bool added) {
  if (messageLog.entries.empty()) return;
  QScrollBar* bar = text_->verticalScrollBar();
  // Stay at the newest message, unless the user has scrolled back to read.
  const bool atEnd = bar->value() == bar->maximum();
  const QString paragraph = EntryParagraph(messageLog.entries.back());
  if (added || text_->document()->isEmpty()) {
    text_->appendPlainText(paragraph);
  } else {
    QTextCursor last(text_->document()->lastBlock());
    last.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    last.insertText(paragraph);
  }
  if (atEnd) bar->setValue(bar->maximum());
}

void MessageLogWindow::CopyAll() { QApplication::clipboard()->setText(text_->toPlainText()); }

}  // namespace kestrel
