#pragma once

#include "ui/ListViewStack.h"

#include <vector>

struct PoolVolume;
class QPoint;

// The volumes of the archive pool as the Properties dialog's pool page shows
// them, in the four views of an explorer list: "Volume ID", "Description",
// "% Used" and "Kb Free", each volume's picture showing how full it is.
// Sorted ascending by a column, the numbers by their values.
class PoolVolumeList final : public ListViewStack
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PoolVolumeList)

public:
    static constexpr int kVolumeColumn = 0;
    static constexpr int kPercentColumn = 2;
    static constexpr int kFreeColumn = 3;

    explicit PoolVolumeList(QWidget *parent = nullptr);
    ~PoolVolumeList() override;

    // Also hands the focus to the view shown, so that the caption's
    // mnemonic reaches it.
    void SetIconView(int view) override;
    // Replaces the volumes, keeping the sort and, where it is still there,
    // the selected volume.
    void SetVolumes(const std::vector<PoolVolume> &volumes);
    // Sorts by a column and keeps the selection.
    void SortByColumn(int column);
    int SortColumn() const { return m_sortColumn; }
    // The selected volume's ID; 0 when none is selected.
    qint64 SelectedVolumeId() const;
    // The text a volume's row shows in a column.
    QString Text(int row, int column) const;

protected:
    // Large icons get cells wide enough for a whole label: labels have no
    // blanks to wrap at.
    void ConfigureIconView() override;

signals:
    void SelectionChanged();
    // The user asked for the pop-up menu at a place on the screen.
    void PopupRequested(const QPoint &globalPosition);

private:
    int m_sortColumn = kVolumeColumn;
};
