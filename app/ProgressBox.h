// The box shown while the programmer works: the current step and a bar that shows its count. It has
// no Cancel and ignores Escape and the close box, since stopping half way would leave the
// programmer out of step.
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

class ProgressBox : public QDialog {
  Q_OBJECT

 public:
  // Builds the box, hidden, modal to `parent`.
  explicit ProgressBox(QWidget* parent);

  // Puts `step` in the label (the window decides when the box shows). A step that ends in a
  // count ("受信中 5/12") fills the bar to it; the bar of any other only shows that work goes on.
  void SetStep(const QString& step);
  // The label shown now.
  QString Step() const;

 public slots:
  // Escape lands here: the box stays until the exchange ends.
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QLabel* label_ = nullptr;
  QProgressBar* bar_ = nullptr;
};
