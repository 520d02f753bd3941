// Metrics documents read with the Qt XML stream reader (see metdoc.h).
#include "project/metdoc.h"

#include <QXmlStreamReader>

namespace {

struct Reader {
    QXmlStreamReader xml;
    MetDocument &doc;
    QString shape{};    // built as text, encoded once at the end
    int itemDepth = 0;  // open item elements
    bool inItemMetrics = false;
    MetFunction *function = nullptr;  // the innermost open FUNCTION

    void startElement()
    {
        const QStringView name = xml.name();
        const QXmlStreamAttributes a = xml.attributes();
        if (name == QLatin1String("FILE")) {
            doc.fileName = a.value(QLatin1String("Name")).toString();
            doc.dir = a.value(QLatin1String("Dir")).toString();
        } else if (name == QLatin1String("ITEMS")) {
            shape += '(';
        } else if (name == QLatin1String("METRICS")) {
            inItemMetrics = itemDepth > 0;
        } else if (name == QLatin1String("METRIC")) {
            metric(a.value(QLatin1String("Key")), a.value(QLatin1String("Value")));
        } else if (name != QLatin1String("OUTPUT") && name != QLatin1String("CALLS") && name != QLatin1String("CALL")) {
            item(name, a);
        }
    }

    void item(QStringView type, const QXmlStreamAttributes &a)
    {
        ++itemDepth;
        const QStringView line = a.value(QLatin1String("Line"));
        shape += type;
        shape += ' ';
        shape += line;
        if (a.hasAttribute(QLatin1String("Class"))) {
            shape += QLatin1String(" class=");
            shape += a.value(QLatin1String("Class"));
        }
        function = nullptr;
        if (type == QLatin1String("FUNCTION")) {
            doc.functions.append(MetFunction{a.value(QLatin1String("Name")).toString(), line.toInt()});
            function = &doc.functions.last();
        }
    }

    void metric(QStringView key, QStringView value)
    {
        if (!inItemMetrics) {
            doc.fileMetrics.append({key.toString(), value.toString()});
            return;
        }
        shape += ' ';
        shape += key;
        shape += '=';
        shape += value;
        if (!function) return;
        if (key == QLatin1String("VG")) function->vg = value.toInt();
        else if (key == QLatin1String("Statements")) function->statements = value.toInt();
        else if (key == QLatin1String("NestedLevel")) function->nesting = value.toInt();
    }

    void endElement()
    {
        const QStringView name = xml.name();
        if (name == QLatin1String("ITEMS")) {
            shape += ')';
        } else if (name == QLatin1String("METRICS")) {
            inItemMetrics = false;
        } else if (name != QLatin1String("FILE") && name != QLatin1String("METRIC") &&
                   name != QLatin1String("OUTPUT") && name != QLatin1String("CALLS") && name != QLatin1String("CALL")) {
            --itemDepth;
            function = nullptr;
            shape += ';';
        }
    }
};

}  // namespace

bool parseMetDocument(const QByteArray &bytes, MetDocument &doc, QString &problem)
{
    Reader r{QXmlStreamReader(bytes), doc};
    while (!r.xml.atEnd()) {
        const QXmlStreamReader::TokenType token = r.xml.readNext();
        if (token == QXmlStreamReader::StartElement) r.startElement();
        else if (token == QXmlStreamReader::EndElement) r.endElement();
    }
    doc.shape = r.shape.toUtf8();
    if (r.xml.hasError()) {
        problem = QStringLiteral("%1 at line %2").arg(r.xml.errorString()).arg(r.xml.lineNumber());
        return false;
    }
    if (doc.fileName.isEmpty()) {
        problem = QStringLiteral("no FILE element");
        return false;
    }
    return true;
}
