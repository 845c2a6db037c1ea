#pragma once
// Reading the controller's modem buffers into the main window's memos, and
// the reprogramming write that stores the memos into them: stop the
// controller, copy its non-volatile memory into the reprogramming buffer,
// write each buffer after a write-unlock, copy the reprogramming buffer back
// (or cancel after a failure) and offer a restart.
//
// Every wait and pause runs on link.Clock: 1000 ms after each reprogramming
// request, 200 ms after the first block. Outcomes land in session.LastResult.
// Once the copy into the reprogramming buffer has been sent, the write ends
// with one copy-out or one cancel, whatever fails or is pressed; a copy-out
// the controller did not confirm is followed by a status read, and by the
// cancel when the controller has not committed. A failure's status text
// gives its cause first, then what was done about it.

#include <array>
#include <optional>

#include "device/Backups.h"
#include "device/ControllerContext.h"
#include "device/KitBuffers.h"

namespace hk::device {

// Status texts of the write.
inline constexpr const char* kUnitStatusReadText = "Чтение статуса работы блока ";
inline constexpr const char* kCopyInRefusedText = "Копирование РПЗУ в буфер репрогрммации  ";
inline constexpr const char* kCopyInText = "Команда копирования РПЗУ в буфер  ";
inline constexpr const char* kCopyOutText = "Команда копирования буфер в РПЗУ  ";
inline constexpr const char* kCancelText = "Команда отмены репрограммации ";
inline constexpr const char* kNotDoneText = " не выполнена ";
inline constexpr const char* kBackupFolder = "backups/";
inline constexpr const char* kBackupReadText = "Резервная копия: буферы не прочитаны, ";
inline constexpr const char* kWriteNotStartedText = "Запись не начата.";
inline constexpr const char* kBackupSavedText = "Резервная копия сохранена: ";
inline constexpr const char* kVerifyReadText = "Записано, но не проверено: буферы не прочитаны, ";
inline constexpr const char* kVerifyMismatchText = "Проверка записанного: буфер ";
inline constexpr const char* kVerifyStoppedText = "Записано, но не проверено: запись остановлена";
inline constexpr const char* kVerifiedText = "Записано и проверено: буферы совпадают с записанным";
inline constexpr const char* kWriteStoppedText = "Запись остановлена";
inline constexpr const char* kPasswordRefusedText = "Пароль доступа не принят: ";
// A copy-out the controller did not confirm by its answer (none came, or a
// refusal), committed all the same ("Команда копирования буфер в РПЗУ" +
// kNotConfirmedText + the exchange's text + kCommittedByStatusText).
inline constexpr const char* kNotConfirmedText = ": команда не подтверждена (";
inline constexpr const char* kCommittedByStatusText =
    "), но КВАРД сообщает, что копирование выполнено";
inline constexpr const char* kCommitUnknownText =
    "Статус КВАРД не прочитан: неизвестно, скопированы ли новые буферы в РПЗУ, и КВАРД может "
    "оставаться в режиме репрограммации. Прочитайте буферы КВАРД, чтобы узнать, что он хранит";
inline constexpr const char* kFlagText = "Флаг буфера ";
inline constexpr const char* kFlagNotSetText = " не установлен: ";
inline constexpr const char* kFlagRewriteText = ". Запишите буферы ещё раз.";
inline constexpr const char* kVerifyFlagText = "Проверка записанного: флаг буфера ";
inline constexpr const char* kVerifyFlagReadText = "Записано, но не проверено: флаг буфера ";
inline constexpr const char* kNotReadText = " не прочитан, ";
// A block the controller never reported written ("Блок буфера" + its label +
// kBlockUnconfirmedText + the code's text); after the copy-out, followed by
// kBlockCommittedText.
inline constexpr const char* kBlockText = "Блок буфера ";
inline constexpr const char* kBlockUnconfirmedText =
    " отправлен, но КВАРД не подтвердил его запись: ";
inline constexpr const char* kBlockCommittedText =
    ". Буферы скопированы в РПЗУ, но не проверены. Запишите буферы ещё раз.";

// Reads the kit's buffers (128 bytes each) into `reads`. Returns LastResult.
// `whole`, when given, gets how many of them (from the first) were read.
int ReadImages(ControllerContext& c, BufferReads& reads, int* whole = nullptr);

// Reads the kit's buffers (128 bytes each); only when every read succeeded
// are they decoded into the upper and (two-buffer kits) lower memo. Returns
// LastResult.
int ReadBuffers(ControllerContext& c);

// Bit 4 of the second byte of channel `channel`'s control parameter: set for
// a buffer written with lines, clear in clear mode. Written (after its
// write-unlock) only when it differs. Returns the last request's result
// (0 when nothing needed changing or the flag was set); LastResult is not
// touched. `found`, when given, gets the parameter's two bytes as read.
int SetBufferFlag(DeviceContext& c, int channel, bool clear,
                  std::optional<std::array<std::uint8_t, 2>>* found = nullptr);

// Reads channel `channel`'s control parameter (40 04, 41 04): its two bytes
// into `value`. Returns the exchange's result (LastResult is not touched).
int ReadControlBytes(DeviceContext& c, int channel, std::array<std::uint8_t, 2>& value);

// Bit 4 of a control parameter's second byte: the buffer is in use, written
// with lines.
bool BufferFlagSet(const std::array<std::uint8_t, 2>& control);

// The status check that starts a write; StatusState := read done first, so a
// timer tick during the write never starts a second one. With the electronic
// key missing the operator is asked to install it: Yes leaves StatusState at
// "re-check" for the dialog's timer, No ends the job (StopRequest). Returns
// true when the write succeeded and the speed label shows " OK".
bool CheckStatus(ControllerContext& c);

// Sends the access password (when one was typed), writes the buffers, asks
// about the restart and on success shows "Скорость обмена " + " OK".
bool UnlockAndWrite(ControllerContext& c);

// The reprogramming write of the kit's buffers; returns its result code
// (0 = written and confirmed). A memo that does not fit its buffer is
// refused with the error box before anything is sent. When the dialog asks
// for them, the buffers are first read and saved as list files in the
// backups folder (no backup, no write), and after the copy into
// non-volatile memory they are read back and compared byte for byte, and
// each written channel's buffer flag with what was asked (kVerifyMismatch).
// A buffer flag step that did not complete lets the write go on in its
// order but makes its result kBufferFlagNotSet, with the channel named in
// the status text; nothing is then read back.
int WriteBuffers(ControllerContext& c);

// The kit's buffers encoded from the upper and lower memo as a write sends
// them, for `protocol`; with the byte trace on, the upper memo's trace lines
// go into `lower` first. `over` names the buffer that does not fit, with the
// bytes too many, or else the line whose letter "я" would end its buffer
// (empty when the buffers can be written).
BufferImages EncodeForWrite(const MainState& state, int protocol, const MemoLines& upper,
                            MemoLines& lower, std::string& over);

// The check made before the port is opened for a write: false, after the
// error box, when a memo does not fit its buffer (with the byte trace on,
// counting what encoding the upper memo would trace into the lower one) or
// holds the letter "я".
bool BuffersFit(ControllerContext& c);

}  // namespace hk::device
