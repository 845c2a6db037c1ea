// Measures the memo's line access on a shown memo (offscreen platform unless
// QT_QPA_PLATFORM says otherwise), per thousand lines, so that a cost that
// grows with the memo's length shows as a rising column:
//  - appending answer lines to the answers memo, as the receiver does while
//    the modem talks (100,000 lines by default);
//  - reading back a list line by line with the line count asked before each
//    line, as a run and a save do (10,000 lines by default);
//  - rewriting the ring count in every line of that list, as leaving the
//    ring count field does (Line, then SetLine, for each line).
// Prints microseconds per line for the first thousand, every tenth of the
// way, and the last thousand, with the ratio last / first.
//
//   bench_memo [answer-lines [list-lines]]

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "gui/Memo.h"

namespace {

using hk::Memo;

double SteadySeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Runs `step` for lines 0 .. lines-1 and returns the time per line of each
// thousand, in microseconds. Pending window events (layout, painting) run
// after each thousand, inside its time.
std::vector<double> PerThousand(int lines, const std::function<void(int)>& step) {
    std::vector<double> perLine;
    for (int first = 0; first < lines; first += 1000) {
        const int last = std::min(lines, first + 1000);
        const double start = SteadySeconds();
        for (int i = first; i < last; ++i) step(i);
        QCoreApplication::processEvents();
        perLine.push_back((SteadySeconds() - start) * 1e6 / (last - first));
    }
    return perLine;
}

void Report(const char* what, const std::vector<double>& perLine) {
    std::printf("%s\n", what);
    const std::size_t n = perLine.size();
    const std::size_t step = n >= 10 ? n / 10 : 1;
    for (std::size_t k = 0; k < n; ++k) {
        if (k % step != 0 && k + 1 != n) continue;
        std::printf("  lines %6zu-%-6zu %8.2f us per line\n", k * 1000 + 1, (k + 1) * 1000,
                    perLine[k]);
    }
    if (n > 0)
        std::printf("  first thousand %.2f us, last thousand %.2f us, last / first %.2f\n\n",
                    perLine.front(), perLine.back(), perLine.back() / perLine.front());
}

const char* const kAnswers[] = {"AT&F",      "OK", "ATE1V1Q0X4", "OK",
                                "ATS0=2",    "OK", "RING",       "CONNECT 9600/ARQ/V32/LAPM",
                                "NO CARRIER"};

}  // namespace

int main(int argc, char** argv) {
    const int answerLines = argc > 1 ? std::atoi(argv[1]) : 100'000;
    const int listLines = argc > 2 ? std::atoi(argv[2]) : 10'000;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // The main window's memo sizes: answers 480 x 215, list 480 x 123.
    Memo answers(QStringLiteral("Memo2"), nullptr);
    answers.resize(480, 215);
    answers.show();
    QCoreApplication::processEvents();
    const int answerKinds = static_cast<int>(std::size(kAnswers));
    Report("Appending answer lines (AddLine):", PerThousand(answerLines, [&](int i) {
               answers.AddLine(QString::fromLatin1(kAnswers[i % answerKinds]));
           }));

    Memo list(QStringLiteral("Memo1"), nullptr);
    list.resize(480, 123);
    list.show();
    for (int i = 0; i < listLines; ++i)
        list.AddLine(i % 10 == 0 ? QStringLiteral("ATS0=3&W") : QStringLiteral("AT&C1&D2 ; line"));
    QCoreApplication::processEvents();
    long long characters = 0;
    Report("Reading back a list (LineCount, then Line):", PerThousand(listLines, [&](int i) {
               if (i < list.LineCount()) characters += list.Line(i).size();
           }));
    Report("Rewriting the ring count in every line (Line, then SetLine):",
           PerThousand(listLines, [&](int i) {
               const QString line = list.Line(i);
               if (line.startsWith(QLatin1String("ATS0=")))
                   list.SetLine(i, QStringLiteral("ATS0=5&W"));
           }));
    std::printf("(%lld characters read)\n", characters);
    return 0;
}
