#pragma once
// Captions, hints and messages of the main window and the kit menu that are
// not the design captions of its controls table (app/MainWindowDesign.h):
// the texts a mode or a kit puts in place of the design ones.

#include <QString>

namespace hk::texts {

inline const QString kDesignCaption =
    QStringLiteral("Программа настройки Hayes-модемов для работы с КВАРД v 1.5");

inline const QString kKitCaptions[4] = {
    QStringLiteral("Программа настройки Hayes-модемов для базового комплекта КВАРД 40"),
    QStringLiteral("Программа настройки Hayes-модемов для минимального комплекта КВАРД 40"),
    QStringLiteral("Программа настройки Hayes-модемов для расширенного комплекта КВАРД 40"),
    QStringLiteral("Программа настройки Hayes-модемов для КВАРД-47"),
};
// The kit menu's items take the kits' names from device/Commands.h.
inline const QString kKitItemNames[4] = {QStringLiteral("N1"), QStringLiteral("N2"),
                                         QStringLiteral("N101"), QStringLiteral("N171")};

// The modem layout's captions that differ from the design.
inline const QString kViewSettingsCaption = QStringLiteral("Просмотр текущих настроек...");

// The controller layout's captions.
inline const QString kBufferSubtitle = QStringLiteral("буфера обмена");
inline const QString kLowerBufferTitle = QStringLiteral("Стандартные настройки");
inline const QString kClearCaption = QStringLiteral("Очистить");
inline const QString kChannelMcp = QStringLiteral("для канала МЦП");
inline const QString kChannelMpi = QStringLiteral("для канала МПИ");
inline const QString kChannelSerial = QStringLiteral("для последовательного канала");

// Hints of the modem mode.
inline const QString kHintWriteModem = QStringLiteral("Записать настройки в Hayes-модем ");
inline const QString kHintSaveModemList =
    QStringLiteral("Сохранить в файле настройки Hayes-модема для КВАРД");
inline const QString kHintModemList = QStringLiteral("Просмотр и коррекция настроек Hayes-модема ");
inline const QString kHintModemAnswers = QStringLiteral("Просмотр ответов Hayes-модема ");

// Hint prefixes of the controller mode, joined to a channel label without a blank.
inline const QString kHintLoadBuffer =
    QStringLiteral("Просмотр и изменение файла для буфера настроек Hayes-модема в КВАРД");
inline const QString kHintClearBuffer =
    QStringLiteral("Обнулить буфер настроек Hayes-модема в КВАРД");
inline const QString kHintSaveBuffer =
    QStringLiteral("Сохранить в файле буфер настроек Hayes-модема в КВАРД");
inline const QString kHintMemoBuffer =
    QStringLiteral("Просмотр и коррекция настроек Hayes-модема ");
inline const QString kHintReadController =
    QStringLiteral("Прочитать из буфера настроек Hayes-модема в КВАРД");
inline const QString kHintWriteController =
    QStringLiteral("Занести в буфер настроек Hayes-модема в КВАРД");

// Names a screen reader says for the memos, by mode.
inline const QString kNameModemList = QStringLiteral("Список строк настройки модема");
inline const QString kNameModemAnswers = QStringLiteral("Ответы модема");
inline const QString kNameBuffer = QStringLiteral("Буфер настроек модема ");

// The list files' dialogs.
inline const QString kOpenListTitle = QStringLiteral("Прочитать список из файла");
inline const QString kSaveListTitle = QStringLiteral("Сохранить список в файле");

inline const QString kAskStoreChanges = QStringLiteral("Занести изменения в КВАРД ? ");
inline const QString kAskWrite = QStringLiteral("Будем записывать настройки в КВАРД ?");
inline const QString kNothingToWrite = QStringLiteral("Не указаны настройки или режим ОЧИСТИТЬ");

}  // namespace hk::texts
