// The real serial backend over a pseudo-terminal reached through ports/comN:
// what the far side sees of speed, parity and stop bits, read time-outs,
// purging and the exclusive open.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "adapter/AdapterCheck.h"
#include "link/Port.h"
#include "link/PosixSerialLine.h"
#include "ports/PortNames.h"
#include "support/ScriptedView.h"
#include "support/TempDir.h"

namespace hk {
namespace {

class PtyPort : public ::testing::Test {
protected:
    void SetUp() override {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master_, 0);
        ASSERT_EQ(::grantpt(master_), 0);
        ASSERT_EQ(::unlockpt(master_), 0);
        std::filesystem::create_directories(dir_.Path() / "ports");
        std::filesystem::create_symlink(::ptsname(master_), dir_.Path() / "ports" / "com3");
    }
    void TearDown() override {
        if (master_ >= 0) ::close(master_);
    }

    termios FarSide() {
        termios t{};
        EXPECT_EQ(::tcgetattr(master_, &t), 0);
        return t;
    }
    void FarWrite(const std::vector<std::uint8_t>& bytes) {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }

    test::TempDir dir_;
    int master_ = -1;
    RealClock clock_;
    test::ScriptedView view_;
};

TEST_F(PtyPort, PortNamesMapToTheProgramsPortsFolderElseTheSystemPort) {
    EXPECT_EQ(ResolvePortPath(dir_.Dir(), "Com3"), dir_.Dir() + "ports/com3");
    EXPECT_EQ(ResolvePortPath(dir_.Dir(), "Com4"), "/dev/ttyS3");
    EXPECT_EQ(ResolvePortPath(dir_.Dir(), "Com18"), "/dev/ttyS17");
    EXPECT_EQ(ComPortNumber("Com10"), 10);
    EXPECT_EQ(ComPortNumber("COMx"), 0);
}

TEST_F(PtyPort, FarSideSeesSpeedParityAndStopBits) {
    PosixSerialLine line(dir_.Dir());
    SerialLink link(line, clock_, view_);
    link.Settings.LinkKind = kLinkRs232;
    ASSERT_TRUE(OpenPort(link, "Com3", 5, AddressMode::On));
    termios t = FarSide();
    EXPECT_EQ(::cfgetospeed(&t), speed_t(B9600));
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_FALSE(t.c_cflag & PARENB);
    EXPECT_TRUE(t.c_cflag & CSTOPB);

    // A pseudo-terminal drops PARENB; CMSPAR and PARODD tell the parity.
    link.Settings.NetAddress = 5;  // address-byte mode, channel МЦП
    SetPortSpeed(link, AddressMode::On, 5);
    t = FarSide();
    EXPECT_EQ(t.c_cflag & (CMSPAR | PARODD), tcflag_t(CMSPAR | PARODD));  // mark
    EXPECT_FALSE(t.c_cflag & CSTOPB);
    SetPortSpeed(link, AddressMode::Off, 5);
    EXPECT_EQ(FarSide().c_cflag & (CMSPAR | PARODD), tcflag_t(CMSPAR));  // space

    link.Settings.Channel = 1;  // МПИ: even for an address, odd for data
    SetPortSpeed(link, AddressMode::On, 2);
    t = FarSide();
    EXPECT_EQ(::cfgetospeed(&t), speed_t(B1200));
    EXPECT_EQ(t.c_cflag & (CMSPAR | PARODD), tcflag_t(0));  // even
    SetPortSpeed(link, AddressMode::Off, 2);
    EXPECT_EQ(FarSide().c_cflag & (CMSPAR | PARODD), tcflag_t(PARODD));  // odd

    LineParams back{};
    ASSERT_TRUE(line.GetParams(back));
    EXPECT_EQ(back, (LineParams{1200, 8, Parity::Odd, StopBits::One}));

    link.Settings = {};
    link.Settings.LinkKind = kLinkModem;
    ASSERT_TRUE(
        OpenPort(link, "Com3", 9, AddressMode::On));  // the modem link ignores refused DTR/RTS
    t = FarSide();
    EXPECT_EQ(::cfgetospeed(&t), speed_t(B115200));
    EXPECT_FALSE(t.c_cflag & (PARENB | CSTOPB));
}

// A driver without mark/space parity: it clears CMSPAR, keeps the rest and
// reports success, as some USB adapters' drivers do.
int SetWithoutMarkSpace(int fd, int action, const termios* tio) {
    termios t = *tio;
    t.c_cflag &= ~static_cast<tcflag_t>(CMSPAR);
    return ::tcsetattr(fd, action, &t);
}

TEST_F(PtyPort, EverySettingTheLineHoldsReadsBackAsAsked) {
    PosixSerialLine line(dir_.Dir());
    ASSERT_TRUE(line.Open("Com3"));
    for (std::int32_t baud : {300, 9600, 115200})
        for (Parity parity : {Parity::None, Parity::Odd, Parity::Even, Parity::Mark, Parity::Space})
            for (StopBits stop : {StopBits::One, StopBits::Two}) {
                const LineParams asked{baud, 8, parity, stop};
                EXPECT_TRUE(line.SetParams(asked)) << baud << " " << int(parity);
                LineParams held{};
                ASSERT_TRUE(line.GetParams(held));
                EXPECT_EQ(held, asked);
            }
    EXPECT_FALSE(line.SettingsRefused());
}

TEST_F(PtyPort, ALineThatDropsMarkAndSpaceParityIsFoundAndNamed) {
    TermiosCalls calls;
    calls.setAttributes = SetWithoutMarkSpace;
    PosixSerialLine line(dir_.Dir(), calls);
    SerialLink link(line, clock_, view_);
    link.Settings.NetAddress = 5;  // address-byte mode, channel МЦП: mark, then space
    ASSERT_TRUE(line.Open("Com3"));
    EXPECT_FALSE(SetPortSpeed(link, AddressMode::On, 5));
    ASSERT_TRUE(line.SettingsRefused());
    LineParams held{};
    ASSERT_TRUE(line.GetParams(held));
    EXPECT_EQ(held, (LineParams{9600, 8, Parity::Odd, StopBits::One}));  // what it really sends
    EXPECT_EQ(line.RefusedSettings()->asked.Parity, Parity::Mark);
    const std::string text = line.RefusedSettingsText();
    EXPECT_EQ(text.rfind("Порт Com3 (/dev/pts/", 0), 0u) << text;
    EXPECT_NE(text.find("адаптер не поддерживает чётность MARK/SPACE, нужную для адресного байта "
                        "сетевого номера"),
              std::string::npos)
        << text;

    // Even and odd parity it holds: channel МПИ works on the same adapter.
    line.Close();
    ASSERT_TRUE(line.Open("Com3"));
    link.Settings.Channel = 1;
    EXPECT_TRUE(SetPortSpeed(link, AddressMode::On, 5));
    EXPECT_TRUE(SetPortSpeed(link, AddressMode::Off, 5));
    EXPECT_FALSE(line.SettingsRefused());

    // Opened in address-byte mode, the port is not kept.
    link.Settings.Channel = 0;
    line.Close();
    EXPECT_FALSE(OpenPort(link, "Com3", 5, AddressMode::On));
    EXPECT_FALSE(link.PortOpen);
    EXPECT_FALSE(line.IsOpen());
    ASSERT_EQ(view_.boxes.size(), 1u);
    EXPECT_EQ(view_.boxes[0].text.rfind(std::string(kOpenPortErrorText) + "Com3\rПорт Com3 (", 0),
              0u)
        << view_.boxes[0].text;
}

TEST_F(PtyPort, ReadReturnsEarlyWithFewerBytesAtTheTotalTimeout) {
    PosixSerialLine line(dir_.Dir());
    SerialLink link(line, clock_, view_);
    ASSERT_TRUE(OpenPort(link, "Com3", 5, AddressMode::On));
    SetPortTimeouts(link, 0, 150);
    FarWrite({0x41, 0x42});
    std::uint8_t buf[8] = {};
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(line.Read(buf, 5), 2);
    const auto waited = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(waited, std::chrono::milliseconds(140));
    EXPECT_EQ(buf[0], 0x41);
    EXPECT_EQ(buf[1], 0x42);
    // All bytes there: no waiting for the time-out.
    FarWrite({1, 2, 3});
    EXPECT_EQ(line.Read(buf, 3), 3);
}

TEST_F(PtyPort, PurgeDropsUnreadInputAndWritesReachTheFarSide) {
    PosixSerialLine line(dir_.Dir());
    SerialLink link(line, clock_, view_);
    ASSERT_TRUE(OpenPort(link, "Com3", 5, AddressMode::On));
    SetPortTimeouts(link, 0, 50);
    FarWrite({9, 9, 9});
    ::usleep(20000);
    ASSERT_TRUE(line.PurgeRx());
    std::uint8_t buf[4];
    EXPECT_EQ(line.Read(buf, 3), 0);

    const std::uint8_t at[] = {0x41, 0x54, 0x0D};
    EXPECT_EQ(line.Write(at, 3), 3);
    std::uint8_t got[3] = {};
    ASSERT_EQ(::read(master_, got, 3), 3);
    EXPECT_EQ(std::vector<std::uint8_t>(got, got + 3), std::vector<std::uint8_t>(at, at + 3));
}

TEST_F(PtyPort, ASecondOpenerIsRefusedUntilThePortIsClosed) {
    PosixSerialLine first(dir_.Dir());
    PosixSerialLine second(dir_.Dir());
    ASSERT_TRUE(first.Open("Com3"));
    EXPECT_FALSE(second.Open("Com3"));
    EXPECT_NE(second.LastError(), 0);

    SerialLink link(second, clock_, view_);
    EXPECT_FALSE(OpenPort(link, "Com3", 0, AddressMode::On));
    ASSERT_EQ(view_.boxes.size(), 1u);
    // The text first, the system's reason last; who holds the port comes
    // between (test_open_failure).
    const std::string& text = view_.boxes[0].text;
    EXPECT_EQ(text.rfind("Ошибка открытия последовательного порта Com3\r", 0), 0u);
    EXPECT_EQ(text.substr(text.rfind('\r') + 1), std::strerror(EBUSY));

    first.Close();
    EXPECT_TRUE(second.Open("Com3"));
}

TEST_F(PtyPort, TheProgramOpensItsPortAgainAfterClosingIt) {
    // Exclusive mode must not outlive the open: the second "Подбор", the next
    // modem run, the next start of the program open the same tty again. Root
    // is let through whatever the tty's mode; an ordinary user is not.
    PosixSerialLine line(dir_.Dir());
    SerialLink link(line, clock_, view_);
    ASSERT_TRUE(OpenPort(link, "Com3", 5, AddressMode::On));
    EXPECT_TRUE(OpenPort(link, "Com3", 5, AddressMode::On));  // closes, then opens again
    line.Close();
    PosixSerialLine nextStart(dir_.Dir());
    EXPECT_TRUE(nextStart.Open("Com3")) << std::strerror(nextStart.LastError());
    EXPECT_TRUE(view_.boxes.empty());
}

TEST_F(PtyPort, AHungUpLineEndsReadsAndWritesAtOnce) {
    PosixSerialLine line(dir_.Dir());
    SerialLink link(line, clock_, view_);
    ASSERT_TRUE(OpenPort(link, "Com3", 5, AddressMode::On));
    SetPortTimeouts(link, 60, 0);  // a minute: only a hang-up can end these reads
    FarWrite({0x41, 0x42});
    std::uint8_t got[4] = {};
    EXPECT_EQ(line.Read(got, 2), 2);
    EXPECT_FALSE(line.HungUp());

    ::close(master_);  // the adapter is pulled out
    master_ = -1;
    EXPECT_EQ(line.Read(got, 4), -1);
    EXPECT_TRUE(line.HungUp());
    const std::uint8_t enq = 0x05;
    EXPECT_EQ(line.Write(&enq, 1), -1);
    line.Close();
    EXPECT_FALSE(line.HungUp());
}

TEST_F(PtyPort, APortPathThatIsAFileOrAFolderFailsWithTheSystemsReason) {
    std::filesystem::create_directories(dir_.Path() / "ports" / "com6");
    test::TempDir::WriteAll(dir_.File("ports/com7"), {1, 2, 3});
    PosixSerialLine line(dir_.Dir());
    SerialLink link(line, clock_, view_);
    EXPECT_FALSE(OpenPort(link, "Com6", 0, AddressMode::On));
    EXPECT_FALSE(OpenPort(link, "Com7", 0, AddressMode::On));
    EXPECT_EQ(
        view_.Texts(test::ScriptedView::Box::Kind::Error),
        (std::vector<std::string>{
            std::string("Ошибка открытия последовательного порта Com6\r") + std::strerror(EISDIR),
            std::string("Ошибка открытия последовательного порта Com7\r") +
                std::strerror(ENOTTY)}));
    EXPECT_EQ(test::TempDir::ReadAll(dir_.File("ports/com7")),
              (std::vector<unsigned char>{1, 2, 3}));
}

TEST_F(PtyPort, MissingPortReportsTheSystemError) {
    PosixSerialLine line(dir_.Dir());
    std::filesystem::create_symlink(dir_.Path() / "nothing", dir_.Path() / "ports" / "com5");
    EXPECT_FALSE(line.Open("Com5"));
    EXPECT_EQ(line.LastError(), ENOENT);
    EXPECT_EQ(line.DevicePath(), dir_.Dir() + "ports/com5");
}

struct TapRecord : TrafficTap {
    std::vector<std::pair<char, std::vector<std::uint8_t>>> seen;
    std::vector<Parity> parities;
    void OnWritten(std::span<const std::uint8_t> b, const LineParams& p) override {
        seen.push_back({'W', {b.begin(), b.end()}});
        parities.push_back(p.Parity);
    }
    void OnRead(std::span<const std::uint8_t> b, const LineParams& p) override {
        seen.push_back({'R', {b.begin(), b.end()}});
        parities.push_back(p.Parity);
    }
};

TEST_F(PtyPort, TrafficTapSeesEveryByteWithTheParityInForce) {
    PosixSerialLine line(dir_.Dir());
    SerialLink link(line, clock_, view_);
    TapRecord tap;
    line.SetTap(&tap);
    ASSERT_TRUE(OpenPort(link, "Com3", 5, AddressMode::On));
    link.Settings.NetAddress = 5;
    SetPortSpeed(link, AddressMode::On, 5);
    const std::uint8_t addr = 5;
    line.Write(&addr, 1);
    SetPortSpeed(link, AddressMode::Off, 5);
    SetPortTimeouts(link, 0, 200);
    FarWrite({5});
    std::uint8_t b = 0;
    EXPECT_EQ(line.Read(&b, 1), 1);
    ASSERT_EQ(tap.seen.size(), 2u);
    EXPECT_EQ(tap.seen[0], (std::pair<char, std::vector<std::uint8_t>>{'W', {5}}));
    EXPECT_EQ(tap.parities[0], Parity::Mark);
    EXPECT_EQ(tap.seen[1], (std::pair<char, std::vector<std::uint8_t>>{'R', {5}}));
    EXPECT_EQ(tap.parities[1], Parity::Space);
}

// «Проверка адаптера», read-back depth, on this system's own backend: a
// pseudo-terminal's termios holds every setting, so nothing is refused; a
// driver that clears CMSPAR is named; an adapter pulled out during the
// check ends it with nothing kept, not with settings "refused".
class PtyAdapterCheck : public PtyPort {
protected:
    adapter::AdapterReport Check(TermiosCalls calls = {}) {
        adapter::CheckContext context{[this, calls](const std::string&) {
                                          return std::unique_ptr<SerialLine>(
                                              std::make_unique<PosixSerialLine>(dir_.Dir(), calls));
                                      },
                                      clock_, "2026-12-08"};
        adapter::CheckRequest request;
        request.port = "Com3";
        return adapter::CheckAdapter(request, {}, context);
    }
};

TEST_F(PtyAdapterCheck, APseudoTerminalRefusesNothing) {
    const adapter::AdapterReport r = Check();
    EXPECT_EQ(r.outcome, adapter::CheckOutcome::Passed) << r.Text();
    ASSERT_EQ(r.depths.size(), 1u);
    EXPECT_EQ(r.depths[0].rows.size(), 6u);  // 8N1 8N2 8M1 8S1 8E1 8O1
    for (const adapter::CheckRow& row : r.depths[0].rows) EXPECT_TRUE(row.ok) << row.setting;
    ASSERT_TRUE(r.kept);
    EXPECT_EQ(r.kept->markSpace, MarkSpaceFinding::Accepted);
}

TEST_F(PtyAdapterCheck, ADriverThatClearsMarkSpaceIsNamed) {
    TermiosCalls calls;
    calls.setAttributes = SetWithoutMarkSpace;
    const adapter::AdapterReport r = Check(calls);
    EXPECT_EQ(r.outcome, adapter::CheckOutcome::Faulty) << r.Text();
    ASSERT_TRUE(r.kept);
    EXPECT_EQ(r.kept->markSpace, MarkSpaceFinding::Refused);
    EXPECT_NE(r.Text().find("8M1: не принимает (держит 8O1)"), std::string::npos) << r.Text();
}

// The adapter goes after a few settings: tcsetattr fails with EIO.
int settingsBeforeGone = 0;
int SetUntilGone(int fd, int action, const termios* tio) {
    if (settingsBeforeGone-- > 0) return ::tcsetattr(fd, action, tio);
    errno = EIO;
    return -1;
}

TEST_F(PtyAdapterCheck, AnAdapterPulledOutIsNoRefusal) {
    TermiosCalls calls;
    calls.setAttributes = SetUntilGone;
    settingsBeforeGone = 10;
    const adapter::AdapterReport r = Check(calls);
    EXPECT_EQ(r.outcome, adapter::CheckOutcome::PortFailed) << r.Text();
    EXPECT_FALSE(r.kept);
    EXPECT_NE(r.message.find("Com3"), std::string::npos) << r.message;
}

}  // namespace
}  // namespace hk
