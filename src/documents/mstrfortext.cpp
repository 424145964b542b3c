#include "mstrfortext.h"

QString MStrForText::htmlBegin()
{
    return tr("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" "
              "\"http://www.w3.org/TR/REC-html40/strict.dtd\">"
              "<html><meta name=\"qrichtext\" content=\"1\" /><style type=\"text/css\">p, li { white-space: "
              "pre-wrap; }</style><head>"
              "<meta name=\"qrichtext\" content=\"1\" /><style type=\"text/css\">p, li { white-space: "
              "pre-wrap; "
              "}</style></head><body style=\" font-family:'SansSerif'; font-size:10pt; font-weight:400; "
              "font-style:normal;\">");
}

QString MStrForText::htmlEnd()
{
    return tr("</body></html>");
}

QString MStrForText::titleLine(const QString &text)
{
    return tr("<p style=\" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; "
              "-qt-block-indent:0; text-indent:0px;\"><span style=\" font-size:10pt; "
              "font-weight:600;\">%1</span></p>")
            .arg(text.toHtmlEscaped());
}

QString MStrForText::lineBreak()
{
    return tr("<br />");
}

QString MStrForText::tableBegin()
{
    return tr("<table border=\"0\" style=\" margin-top:0px; margin-bottom:0px; margin-left:0px; "
              "margin-right:0px;\" cellspacing=\"2\" cellpadding=\"0\">");
}

QString MStrForText::tableEnd()
{
    return tr("</table>");
}

QString MStrForText::rowBegin()
{
    return tr("<tr>");
}

QString MStrForText::rowEnd()
{
    return tr("</tr>");
}

QString MStrForText::nameCell(const QString &text)
{
    return tr("<td bgcolor=\"#f0f0f0\" style=\" vertical-align:top; padding-left:5; padding-right:5; "
              "padding-top:5; padding-bottom:5;\"><p style=\" margin-top:0px; margin-bottom:0px; "
              "margin-left:3px; margin-right:3px; -qt-block-indent:0; text-indent:0px; font-weight:200;\">"
              "<a name=\"col1\"></a><span style=\" background-color:#f0f0f0;\">%1</span></p></td>")
            .arg(text.toHtmlEscaped());
}

QString MStrForText::valueCell(const QString &text)
{
    return tr("<td bgcolor=\"#ffcc55\" style=\" vertical-align:top; padding-left:5; padding-right:5; "
              "padding-top:5; padding-bottom:5;\"><p align=\"right\" style=\" margin-top:0px; "
              "margin-bottom:3px; margin-left:3px; margin-right:0px; -qt-block-indent:0; text-indent:0px; "
              "font-weight:600;\"><a name=\"col2\"></a><span style=\" background-color:#ffcc55;\">%1</span>"
              "</p></td>")
            .arg(text.toHtmlEscaped());
}
