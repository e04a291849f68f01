#pragma once

#include <QPlainTextEdit>

// The technician's notes: a plain text field that holds at most limit characters. Pasted or
// dropped text beyond the room left is cut before it goes in (a long line costs its layout
// time on the way in), and so is anything else that goes beyond the limit; either way
// Truncated() tells of it.
class NotesEdit : public QPlainTextEdit {
    Q_OBJECT
  public:
    NotesEdit(qsizetype limit, QWidget* parent);

  signals:
    void Truncated();

  protected:
    void insertFromMimeData(const QMimeData* source) override;

  private:
    // Cuts the text after the limit.
    void CutToLimit();
    qsizetype Length() const;

    const qsizetype limit_;
};
