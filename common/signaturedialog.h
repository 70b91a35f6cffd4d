#pragma once

#include <QDialog>
#include <QStringList>
#include <memory>

namespace Ui {
class SignatureDialog;
}

// Asks the signer for the meaning of a signature and their name, and says what signing binds.
class SignatureDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SignatureDialog(const QStringList &meanings, QWidget *parent = nullptr);
    ~SignatureDialog() override;

    int meaning() const;
    QString name() const;

private:
    void updateOk();

    std::unique_ptr<Ui::SignatureDialog> ui;
};
