#include "ProgressBox.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
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

  // No count is known for every exchange, so the bar only shows that work goes on.
  auto* bar = new QProgressBar(this);
  bar->setRange(0, 0);
  bar->setTextVisible(false);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label_);
  layout->addWidget(bar);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void ProgressBox::SetStep(const QString& step) {
  label_->setText(step);
}

QString ProgressBox::Step() const {
  return label_->text();
}

void ProgressBox::reject() {}

void ProgressBox::closeEvent(QCloseEvent* event) {
  event->ignore();
}
