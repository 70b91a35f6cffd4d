#include "signaturedialog.h"
#include "ui_signaturedialog.h"

#include <QPushButton>

SignatureDialog::SignatureDialog(const QStringList &meanings, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::SignatureDialog>())
{
    ui->setupUi(this);
    ui->meaningCombo->addItems(meanings);
    connect(ui->nameEdit, &QLineEdit::textChanged, this, &SignatureDialog::updateOk);
    updateOk();
}

SignatureDialog::~SignatureDialog() = default;

int SignatureDialog::meaning() const
{
    return ui->meaningCombo->currentIndex();
}

QString SignatureDialog::name() const
{
    return ui->nameEdit->text().trimmed();
}

void SignatureDialog::updateOk()
{
    // A signature without a name attributes nothing.
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(!name().isEmpty());
}
