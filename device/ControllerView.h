#pragma once
// What the controller job reads from and shows in the controller dialog, and
// the two memos of the main window that hold the channels' buffers. The
// dialog implements it with widgets; tests with a scripted fake.
//
// The operator's choices are read when a step needs them, not copied once:
// the dialog stays live during a run (its messages run between steps).
// Texts are UTF-8 except the memo lines, which are Windows-1251 bytes.

#include <cstdint>
#include <string>

#include "device/DeviceView.h"
#include "lists/MemoLines.h"

namespace hk::device {

class ControllerView : public DeviceView {
public:
    // --- The operator's choices.
    // "Номер СОМ-порта": item 0..3 and its text ("Com1" ... "Com4").
    virtual int PortChoice() = 0;
    virtual std::string PortName() = 0;
    // "Протокол обмена": 0 "Традиционный", 1 "FT1.2".
    virtual int ProtocolChoice() = 0;
    // "Контрольная сумма CRC": 0..2.
    virtual int CrcChoice() = 0;
    // "Вид связи с КВАРД" shows "ИРПС" (otherwise "Rs-232").
    virtual bool CurrentLoopChosen() = 0;
    // "Канал обмена": 0 "МЦП ", 1 "МПИ ".
    virtual int ChannelChoice() = 0;
    // "Подбор сетевого номера" is ticked.
    virtual bool SearchAllNumbers() = 0;
    // The network number field as typed, and "Вид сетевого номера" = "Hex".
    virtual std::string NumberText() = 0;
    virtual bool HexView() = 0;
    // "Скорость обмена": 0 "Подбор", 1..7 one speed (300 ... 19200 baud).
    virtual int SpeedChoice() = 0;
    // "Пароль доступа" as typed.
    virtual std::string PasswordText() = 0;
    // A write first reads the buffers and saves them as list files; after
    // the copy into non-volatile memory it reads them back and compares.
    virtual bool BackupBeforeWrite() = 0;
    virtual bool VerifyAfterWrite() = 0;

    // --- What the job changes in the dialog.
    // The manual entry group (number and speed) and the result labels.
    virtual void ShowFields(bool manual, bool results) = 0;
    // Writes the network number field (the found or entered number).
    virtual void SetNumberText(const std::string& text) = 0;
    // Closes the dialog (after a read, a write, a stop or "Выход").
    virtual void CloseDialog() = 0;
    // The stored port (Settings.PortIndex; past "Com4" shows "Com4") and
    // link kind (0 "Rs-232", any other "ИРПС"), shown at every opening.
    virtual void ShowStoredLink(int portIndex, int linkKind) {
        (void)portIndex;
        (void)linkKind;
    }
    // How far a search has come: attempts made and in all, and the time
    // the attempts still to come will take at the mean pace so far.
    virtual void ShowSearchProgress(int attemptsMade, int attemptsTotal, std::int64_t msLeft) {
        (void)attemptsMade;
        (void)attemptsTotal;
        (void)msLeft;
    }

    // A run (a search and what follows it, or a tick's key re-check) has
    // started or returned: the buttons that start one look disabled meanwhile.
    virtual void ShowRunning(bool running) { (void)running; }

    // --- The main window.
    // The memo of channel buffer 0 (upper, Memo1) or 1 (lower, Memo2).
    virtual MemoLines& BufferMemo(int index) = 0;
    // "Показать спец. символы": decoded buffers show "<CR>" and "<LF>".
    virtual bool ShowSpecialCharacters() = 0;
};

}  // namespace hk::device
