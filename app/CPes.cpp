#include "CPes.h"

#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CPes::CPes(const QString& pesText, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("PES"));
  // A small modal box with a close button and nothing else in its title bar.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);

  textField_ = new QLineEdit(pesText, this);
  textField_->setObjectName(QStringLiteral("pesText"));
  textField_->setReadOnly(true);

  okButton_ = new QPushButton(QStringLiteral("OK"), this);
  okButton_->setObjectName(QStringLiteral("okButton"));
  okButton_->setDefault(true);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
  // The box opens with the focus on OK, its first tab stop.
  setTabOrder(okButton_, textField_);
  okButton_->setFocus();

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(textField_);
  layout->addWidget(okButton_, 0, Qt::AlignHCenter);
  // The field is wide enough for the nine characters of the signature in the widest letter.
  textField_->setMinimumWidth(textField_->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 9);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}
