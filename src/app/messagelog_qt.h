// The window of the message log: every message so far with its time, in a
// read-only text the user can select and copy from, following new messages
// as they come.
#pragma once

#include <QWidget>

class QPlainTextEdit;

namespace kestrel {

class MessageLogWindow : public QWidget {
 public:
  explicit MessageLogWindow(QWidget* owner);

  // Shows the whole log afresh.
  void Reload();
  // The log gained an entry (`added`) or its last entry changed.
  void Follow(bool added);
  // Puts the whole log on the clipboard.
  void CopyAll();

  QPlainTextEdit* text() const { return text_; }

 private:
  QPlainTextEdit* text_;
};

}  // namespace kestrel
