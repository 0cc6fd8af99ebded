#include "ProgressBox.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QVBoxLayout>

ProgressBox::ProgressBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("progressBox"));
  setWindowTitle(QStringLiteral("Gantrel"));
  setWindowModality(Qt::WindowModal);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

  label_ = new QLabel(this);
  label_->setObjectName(QStringLiteral("progressStep"));
  label_->setMinimumWidth(label_->fontMetrics().horizontalAdvance(QStringLiteral("受信中 12/12")) *
                          2);

  bar_ = new QProgressBar(this);
  bar_->setObjectName(QStringLiteral("progressBar"));
  bar_->setRange(0, 0);
  bar_->setTextVisible(false);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label_);
  layout->addWidget(bar_);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void ProgressBox::SetStep(const QString& step) {
  label_->setText(step);
  static const QRegularExpression count(QStringLiteral("(\\d+)/(\\d+)$"));
  const QRegularExpressionMatch match = count.match(step);
  const int done = match.hasMatch() ? match.captured(1).toInt() : 0;
  const int total = match.hasMatch() ? match.captured(2).toInt() : 0;
  // A range of 0 to 0 is Qt's busy bar.
  bar_->setRange(0, done <= total ? total : 0);
  bar_->setValue(done);
}

QString ProgressBox::Step() const {
  return label_->text();
}

void ProgressBox::reject() {}

void ProgressBox::closeEvent(QCloseEvent* event) {
  event->ignore();
}
