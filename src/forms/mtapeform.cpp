#include "mtapeform.h"
#include "ui_mtapeform.h"

#include <QFontDatabase>
#include <QScreen>

MTapeForm::MTapeForm(QWidget *parent) : QWidget(parent, Qt::Tool), ui(new Ui::MTapeForm)
{
    ui->setupUi(this);
    ui->textTape->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
}

MTapeForm::~MTapeForm()
{
    delete ui;
}

void MTapeForm::setLines(const QStringList &lines)
{
    ui->textTape->setPlainText(lines.join(QLatin1Char('\n')));
    ui->textTape->moveCursor(QTextCursor::End);
}

QString MTapeForm::text() const
{
    return ui->textTape->toPlainText();
}

void MTapeForm::showBeside(const QWidget *window)
{
    if (!isVisible() && window) {
        const QRect frame = window->frameGeometry();
        QPoint place(frame.right() + 1, frame.top());
        if (const QScreen *screen = window->screen()) {
            const QRect room = screen->availableGeometry();
            if (place.x() + width() > room.right())
                place.setX(qMax(room.left(), room.right() - width()));
        }
        move(place);
    }
    show();
}
