#include "station/about_box.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TAbou::TAbou(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Abou"));
    setWindowTitle(QStringLiteral("Про программу"));
    auto* v = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("Tarvik ver.1.1"), this);
    title->setObjectName(QStringLiteral("ProductName"));
    QFont f = title->font();
    f.setBold(true);
    f.setPointSize(f.pointSize() + 4);
    title->setFont(f);
    title->setAlignment(Qt::AlignCenter);
    v->addWidget(title);
    v->addWidget(new QLabel(QStringLiteral("Станція зважування та етикетування"), this), 0, Qt::AlignCenter);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    v->addWidget(ok, 0, Qt::AlignCenter);
}
