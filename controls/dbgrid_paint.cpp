#include "controls/dbgrid_p.h"

// ---- drawing

void TExDBGrid::paintCell(QPainter &p, const QRect &rect, const QModelIndex &index)
{
    kv::DataSet *ds = DataSet();
    if (!ds || !ds->Active()) return;
    const int row = index.row(), col = index.column();
    TColumn *c = Columns(col);
    kv::Field *f = c ? c->Field() : nullptr;
    const bool focused = hasFocus() || (InplaceEditor() && InplaceEditor()->hasFocus());
    const bool currentRow = row == ds->ViewCurrentRow();
    const bool rowSelect = m_options & dgRowSelect;
    const bool selectedCell = currentRow && (rowSelect || col == m_selectedCol);
    const bool highlight = selectedCell && ((m_options & dgAlwaysShowSelection) || focused);
    const bool rowMarked = RowSelected(row);

    QColor bg = c && c->Color.isValid() ? c->Color : palette().color(QPalette::Base);
    QColor fg = palette().color(QPalette::Text);
    if (highlight || rowMarked) {
        bg = palette().color(QPalette::Highlight);
        fg = palette().color(QPalette::HighlightedText);
    }
    QFont font = this->font();
    QColor fontColor = fg;
    {
        // The handlers read the row being drawn.
        ds->WithViewRow(row, [&]() { QueryCellColors(f, font, fontColor, bg, highlight || rowMarked); });
    }
    p.save();
    p.fillRect(rect, bg);
    if (m_defaultDrawing && f) {
        if (FieldHasPicture(f)) {
            const QImage &img = fieldPicture(f->DataType());
            p.drawImage((rect.left() + rect.right() - img.width()) / 2, (rect.top() + rect.bottom() - img.height()) / 2,
                        img);
        } else {
            p.setFont(font);
            p.setPen(fontColor);
            const QString text = m_model->data(index, Qt::DisplayRole).toString();
            Qt::Alignment a = f->Alignment() & Qt::AlignHorizontal_Mask;
            DrawGridCellText(p, rect.adjusted(0, 0, -1, -1), text, a ? a : Qt::AlignLeft, CellVAlign::Center, false);
        }
    }
    p.setPen(QColor(0xC0, 0xC0, 0xC0));
    if (m_options & dgColLines) p.drawLine(rect.right(), rect.top(), rect.right(), rect.bottom());
    if (m_options & dgRowLines) p.drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
    if (m_defaultDrawing && highlight && !rowSelect && hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::HighlightedText), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect.adjusted(0, 0, -2, -2));
    }
    p.restore();
}

