#include "app/AdapterCheckDialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/Fonts.h"
#include "gui/JobThread.h"
#include "ports/AdapterIdentity.h"
#include "ports/KeptAdapterChecks.h"
#include "ports/PortHint.h"
#include "ports/PortNames.h"

namespace hk {
namespace {

QString U(const std::string& s) { return QString::fromStdString(s); }

constexpr int kDefaultSpeed = 9600;
constexpr int kPortCount = 18;

// What the job hands back to the window.
struct Outcome {
    adapter::AdapterReport report;
    std::string keepError;
};

}  // namespace

AdapterCheckDialog::AdapterCheckDialog(Means means, const std::string& portName, QWidget* parent)
    : QDialog(parent), means_(std::move(means)), port_(portName) {
    setObjectName(QStringLiteral("AdapterCheck"));
    setWindowTitle(QStringLiteral("Проверка адаптера %1").arg(U(portName)));
    setFont(WindowFont(11));
    resize(640, 480);

    const std::string home = PortHomeOf(means_.state.CfgFileName);
    const std::string title =
        AdapterTitle(IdentifyPortAdapter(port_, home, means_.systemRoot));
    auto* intro = new QLabel(
        QStringLiteral("%1: %2. Передаёт ли адаптер бит чётности MARK/SPACE, нужный адресному "
                       "байту сетевого номера, и переключает ли его вовремя. Выберите, как "
                       "подключён адаптер:")
            .arg(U(portName), title.empty() ? QStringLiteral("адаптер не опознан") : U(title)),
        this);
    intro->setWordWrap(true);

    readBack_ = new QRadioButton(QStringLiteral("Без проводов: только чтение настроек"), this);
    readBack_->setObjectName(QStringLiteral("ReadBackChoice"));
    loopback_ = new QRadioButton(
        QStringLiteral("Петля: на разъёме адаптера соединены TX и RX (контакты 2 и 3 DB-9)"), this);
    loopback_->setObjectName(QStringLiteral("LoopbackChoice"));
    peer_ = new QRadioButton(QStringLiteral("Второй адаптер через нуль-модемный кабель, порт:"),
                             this);
    peer_->setObjectName(QStringLiteral("PeerChoice"));
    auto* depths = new QButtonGroup(this);
    for (QRadioButton* b : {readBack_, loopback_, peer_}) depths->addButton(b);
    loopback_->setChecked(true);
    peerPort_ = new QComboBox(this);
    peerPort_->setObjectName(QStringLiteral("PeerPort"));
    peerPort_->setAccessibleName(QStringLiteral("Порт второго адаптера"));
    const int own = ComPortNumber(portName);
    for (int n = 1; n <= kPortCount; ++n)
        if (n != own) peerPort_->addItem(QStringLiteral("Com%1").arg(n));
    speed_ = new QComboBox(this);
    speed_->setObjectName(QStringLiteral("SpeedChoice"));
    speed_->setAccessibleName(QStringLiteral("Скорость проверки"));
    for (std::int32_t baud : BaudRates) speed_->addItem(QStringLiteral("%1 бод").arg(baud), baud);
    speed_->setCurrentIndex(speed_->findData(kDefaultSpeed));

    reportText_ = new QPlainTextEdit(this);
    reportText_->setObjectName(QStringLiteral("ReportText"));
    reportText_->setAccessibleName(QStringLiteral("Итог проверки адаптера"));
    reportText_->setReadOnly(true);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("StatusLabel"));
    status_->setWordWrap(true);

    checkButton_ = new QPushButton(QStringLiteral("Проверить"), this);
    checkButton_->setObjectName(QStringLiteral("CheckButton"));
    checkButton_->setDefault(true);
    stopButton_ = new QPushButton(QStringLiteral("Остановить"), this);
    stopButton_->setObjectName(QStringLiteral("StopButton"));
    closeButton_ = new QPushButton(QStringLiteral("Закрыть"), this);
    closeButton_->setObjectName(QStringLiteral("CloseButton"));
    for (QPushButton* b : {stopButton_, closeButton_}) b->setAutoDefault(false);

    auto* peerRow = new QHBoxLayout;
    peerRow->addWidget(peer_);
    peerRow->addWidget(peerPort_);
    peerRow->addStretch();
    auto* speedRow = new QHBoxLayout;
    speedRow->addWidget(new QLabel(QStringLiteral("Скорость блоков и кадров:"), this));
    speedRow->addWidget(speed_);
    speedRow->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {checkButton_, stopButton_, closeButton_}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(readBack_);
    layout->addWidget(loopback_);
    layout->addLayout(peerRow);
    layout->addLayout(speedRow);
    layout->addWidget(reportText_, 1);
    layout->addWidget(status_);
    layout->addLayout(buttons);

    connect(checkButton_, &QPushButton::clicked, this, &AdapterCheckDialog::Start);
    connect(stopButton_, &QPushButton::clicked, this, [this] {
        *stop_ = true;
        status_->setText(QStringLiteral("Проверка останавливается…"));
    });
    connect(closeButton_, &QPushButton::clicked, this, &AdapterCheckDialog::reject);
    ShowRunning(false);
}

AdapterCheckDialog::~AdapterCheckDialog() {
    // The job refers to this dialog's means: it has ended before they go.
    *stop_ = true;
    if (running_) means_.jobs.WaitIdle();
}

void AdapterCheckDialog::reject() {
    if (running_) {
        *stop_ = true;
        means_.jobs.WaitIdle();
    }
    QDialog::reject();
}

void AdapterCheckDialog::ShowRunning(bool running) {
    running_ = running;
    checkButton_->setEnabled(!running);
    stopButton_->setEnabled(running);
    for (QWidget* w : std::initializer_list<QWidget*>{readBack_, loopback_, peer_, peerPort_, speed_})
        w->setEnabled(!running);
}

void AdapterCheckDialog::Start() {
    adapter::CheckRequest request;
    request.port = port_;
    request.depth = readBack_->isChecked()  ? CheckDepth::ReadBack
                    : loopback_->isChecked() ? CheckDepth::Loopback
                                             : CheckDepth::Peer;
    request.peerPort = peerPort_->currentText().toStdString();
    request.baudRate = speed_->currentData().toInt();
    *stop_ = false;
    reportText_->clear();
    status_->setText(QStringLiteral("Проверка адаптера %1…").arg(U(port_)));
    ShowRunning(true);

    auto outcome = std::make_shared<Outcome>();
    const QPointer<AdapterCheckDialog> self(this);
    JobThread& jobs = means_.jobs;
    jobs.Post(
        [means = means_, request, stop = stop_, outcome, self, &jobs] {
            SerialLink& link = means.link;
            // The check opens its own lines: the program's port is let go,
            // and is opened afresh by the next job that needs it.
            if (link.PortHandle.IsOpen()) link.PortHandle.Close();
            link.PortOpen = false;
            means.state.PortReady = false;
            const std::string home = PortHomeOf(means.state.CfgFileName);
            const AdapterIdentity identity =
                IdentifyPortAdapter(request.port, home, means.systemRoot);
            adapter::CheckContext context{means.makeLine, link.Clock, means.today()};
            context.stop = [stop] { return stop->load(); };
            context.progress = [self, &jobs](const std::string& text) {
                jobs.ToWindow([self, text] {
                    if (self) self->status_->setText(U(text));
                });
            };
            outcome->report = adapter::CheckAdapter(request, identity, context);
            if (outcome->report.kept &&
                !KeepAdapterCheck(means.state.DataDir + kKeptChoicesFileName,
                                  AdapterKey(identity, request.port), *outcome->report.kept,
                                  outcome->keepError))
                outcome->keepError = "Итог проверки не сохранён в файл «" + means.state.DataDir +
                                     kKeptChoicesFileName + "»: " + outcome->keepError;
        },
        [self, outcome] {
            if (self) self->Finish(outcome->report, outcome->keepError);
        });
}

void AdapterCheckDialog::Finish(const adapter::AdapterReport& report,
                                const std::string& keepError) {
    report_ = report;
    ShowRunning(false);
    std::string text = report.Text();
    if (!report.Verdict() && !report.message.empty()) {
        std::string message = report.message;
        for (char& c : message)
            if (c == '\r') c = '\n';
        text += "\n\n" + message;
    }
    reportText_->setPlainText(U(text));
    status_->setText(U(report.summary));
    if (!keepError.empty()) means_.view.ShowError(keepError);
}

}  // namespace hk
