#ifndef MPORTBOX_H
#define MPORTBOX_H

#include <QComboBox>

// The port box: it asks for a fresh list of ports each time it opens, so an
// adapter plugged in meanwhile is there.
class MPortBox : public QComboBox
{
    Q_OBJECT

public:
    using QComboBox::QComboBox;
    void showPopup() override
    {
        emit aboutToShowPopup();
        QComboBox::showPopup();
    }

signals:
    void aboutToShowPopup();
};

#endif // MPORTBOX_H
