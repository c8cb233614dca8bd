#include "about/AboutDialog.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QFile>
#include <QPixmap>
#include <QPushButton>
#include <QSysInfo>
#include <QVBoxLayout>

#include "about/SystemInformation.h"
#include "core/AppTitle.h"

// The picture is compiled into a static library; its resource must be registered by hand.
static void InitAboutResources() {
    Q_INIT_RESOURCE(About);
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    InitAboutResources();
    setObjectName("AboutBox");
    setWindowTitle("About");

    ProgramIcon = new QLabel(this);
    ProgramIcon->setObjectName("ProgramIcon");
    ProgramIcon->setFixedSize(64, 64);
    QFile gif(":/about/Lantern.gif");
    if (gif.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = gif.readAll();
        std::string error;
        frames_ = DecodeGifFrames(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                  static_cast<std::size_t>(bytes.size()), error);
    }
    if (!frames_.empty()) ShowFrame(0);
    connect(&animation_, &QTimer::timeout, this, [this] {
        ShowFrame((frame_ + 1) % static_cast<int>(frames_.size()));
    });
    if (frames_.size() > 1) animation_.start(frames_[0].DelayMs > 0 ? frames_[0].DelayMs : 100);

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

void AboutDialog::ShowFrame(int index) {
    if (index < 0 || index >= static_cast<int>(frames_.size())) return;
    frame_ = index;
    ProgramIcon->setPixmap(QPixmap::fromImage(frames_[static_cast<std::size_t>(index)].Image));
    const int delay = frames_[static_cast<std::size_t>(index)].DelayMs;
    if (animation_.isActive()) animation_.setInterval(delay > 0 ? delay : 100);
}
