#pragma once

#include <QHeaderView>

// The column headers of a list grid: a flat grey face per column with a thin line at its right and
// bottom edges, the header's icon and its text.
class ListGridHeader : public QHeaderView
{
public:
    explicit ListGridHeader(QWidget* parent = nullptr);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};
