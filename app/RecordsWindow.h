#pragma once
// «Акты наладки», the history of the records: the records of the records'
// folder, newest first, filtered by port and network number; a record opens
// as its page (RecordViewer: print, save as PDF); two records of one device
// are compared channel by channel ("what changed on number 5 since the last
// visit"). The window also holds the settings of the records: their folder
// and the operator's name, both kept in HayesKvd.ini. A file that is no
// record, or a record that was edited, is named so in its row and never
// shown as a valid record.
//
// The logic is records/RecordHistory.h; this window only shows it.

#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "records/RecordFiles.h"
#include "state/MainState.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace hk {

class JobRecords;
class RecordViewer;

class RecordsWindow : public QWidget {
    Q_OBJECT
public:
    RecordsWindow(MainState& state, JobRecords& records, QWidget* parent = nullptr);

    // Shows the window over `owner` (usable also over a modal dialog), the
    // folder read afresh.
    void ShowOver(QWidget* owner);
    // Reads the folder again and shows what the filter lets through.
    void Refresh();

    // The rows shown, as RecordHistory gives them.
    const std::vector<const records::RecordEntry*>& Rows() const { return rows_; }
    // Opens row `row` (or, with two rows, their comparison) in the viewer.
    void OpenRow(int row);
    void CompareRows(int first, int second);
    RecordViewer* Viewer() const { return viewer_; }

    // Replaces the folder dialog (tests): the chosen folder, or nothing.
    using FolderChooser = std::function<std::optional<QString>(const QString& current)>;
    void SetFolderChooser(FolderChooser chooser) { folderChooser_ = std::move(chooser); }

private:
    void ChooseFolder();
    void OperatorChanged();
    void OpenSelected();
    void CompareSelected();
    void ShowPage(const QString& title, const QString& html);
    void Say(const QString& text);

    MainState& state_;
    JobRecords& records_;
    std::vector<records::RecordEntry> entries_;
    std::vector<const records::RecordEntry*> rows_;
    FolderChooser folderChooser_;
    RecordViewer* viewer_ = nullptr;

    QLineEdit* folderField_ = nullptr;
    QLineEdit* operatorField_ = nullptr;
    QComboBox* portFilter_ = nullptr;
    QLineEdit* numberFilter_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* status_ = nullptr;
};

}  // namespace hk
