#include "about/TAboutBox.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMovie>
#include <QPushButton>
#include <QSysInfo>
#include <QVBoxLayout>

#include "about/SystemInformation.h"
#include "engine/SessionState.h"

// The picture is compiled into a static library; its resource must be registered by hand.
static void InitAboutResources() {
    Q_INIT_RESOURCE(About);
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    InitAboutResources();
    setObjectName("AboutBox");
    setWindowTitle("About");

    Picture = new QMovie(":/about/Lantern.gif", QByteArray(), this);
    ProgramIcon = new QLabel(this);
    ProgramIcon->setObjectName("ProgramIcon");
    ProgramIcon->setMovie(Picture);
    ProgramIcon->setFixedSize(64, 64);
    Picture->start();

    ProductName = new QLabel(QString::fromLatin1(AppTitle), this);
    ProductName->setObjectName("ProductName");
    QFont titleFont = ProductName->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    ProductName->setFont(titleFont);
    Copyright =
        new QLabel("Offline browser: keeps web sites on your disk to read them later.", this);
    Copyright->setObjectName("Copyright");
    Copyright->setWordWrap(true);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    const MemoryStatus memory = ReadMemoryStatus();
    OSName = new QLabel(QSysInfo::prettyProductName(), this);
    OSName->setObjectName("OSName");
    OSVersion = new QLabel(OperatingSystemLine(), this);
    OSVersion->setObjectName("OSVersion");
    PhysMem = new QLabel(RamText(memory.TotalBytes), this);
    PhysMem->setObjectName("PhysMem");
    MemoryInUse = new QLabel(MemoryInUseText(memory.MemoryLoad), this);
    MemoryInUse->setObjectName("MemoryInUse");

    OKButton = new QPushButton("OK", this);
    OKButton->setObjectName("OKButton");
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* heading = new QVBoxLayout;
    heading->addWidget(ProductName);
    heading->addWidget(Copyright);
    heading->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(ProgramIcon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(heading, 1);

    auto* system = new QVBoxLayout;
    system->setSpacing(2);
    for (QLabel* label : {OSName, OSVersion, PhysMem, MemoryInUse}) system->addWidget(label);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addStretch();

    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addWidget(line);
    main->addLayout(system);
    main->addSpacing(6);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);
    Copyright->setMinimumWidth(260);
}
