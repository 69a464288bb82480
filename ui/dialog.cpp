#include "dialog.h"

#include "branding.h"
#include "ui_dialog.h"

Dialog::Dialog(QWidget* parent) : QDialog(parent), ui(new Ui::Dialog)
{
    ui->setupUi(this);
    ui->NomProduit->setText(QStringLiteral("Varnex HD"));
    ui->VersionProduit->setText(QStringLiteral("1.4.6"));
    ui->ProduitPar->setText(tr("Product by: ") + companyName);
}

Dialog::~Dialog()
{
    delete ui;
}
