#include "media/media_file_list.h"

#include "editor/form_controls.h"
#include "media/flex_grid.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tv {

MediaFileList::MediaFileList(QWidget* form) : QObject(form)
{
    Label2 = makeLabel(form, "Label2", QStringLiteral(" Path:"), {7425, 135, 645, 240});
    Text2 = makeTextBox(form, "Text2", QString(), {8145, 120, 3030, 285});
    Command5 = makeButton(form, "Command5", QStringLiteral("Select"), {11385, 90, 870, 330});

    MSFlexGrid1 = new FlexGrid(form);
    MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
    placeTwips(MSFlexGrid1, {7425, 495, 5010, 2760});
    QPalette colours = MSFlexGrid1->palette();
    colours.setColor(QPalette::Highlight, QColor(192, 192, 255));
    colours.setColor(QPalette::HighlightedText, colours.color(QPalette::Text));
    MSFlexGrid1->setPalette(colours);
}

void MediaFileList::FilterFileList()
{
    // The file list has nothing to narrow until a folder can be chosen.
}

void prepareFileColumns(FlexGrid& grid)
{
    constexpr Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    constexpr Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    grid.setColWidth(0, 0);
    grid.setColWidth(1, 600);
    grid.setColWidth(2, 3100);
    grid.setColWidth(3, 980);
    grid.setColAlignment(1, left);
    grid.setColAlignment(2, left);
    grid.setColAlignment(3, right);
    grid.setTextMatrix(0, 1, QStringLiteral("No."));
    grid.setTextMatrix(0, 2, QStringLiteral("File"));
    grid.setTextMatrix(0, 3, QStringLiteral("Size"));
}

} // namespace tv
