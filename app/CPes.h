// The PES box: the chip's signature in a one-line field that cannot be edited, and OK.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

class CPes : public QDialog {
  Q_OBJECT

 public:
  // Builds the box showing `pesText` (at most 9 characters); caption "PES", fixed size.
  explicit CPes(const QString& pesText, QWidget* parent = nullptr);

 private:
  QLineEdit* textField_ = nullptr;
  QPushButton* okButton_ = nullptr;
};
