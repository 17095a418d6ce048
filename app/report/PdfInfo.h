#pragma once
// The document information of a finished PDF (Author, Subject, Keywords are
// more than QPdfWriter writes): appended as an incremental update, the way PDF
// files are amended, with a new information dictionary and a trailer that
// points back to the original cross-reference table.
#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <map>

namespace qm::report {

// Passes every write on to `target` and keeps the position and the last
// bytes written (where the trailer is).
class CTailDevice : public QIODevice {
public:
    explicit CTailDevice(QIODevice* target) : m_target(target) {}
    bool isSequential() const override { return true; }
    qint64 Position() const { return m_position; }
    QByteArray Tail() const { return m_tail; }
    bool Ok() const { return m_ok; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    QIODevice* m_target;
    QByteArray m_tail;
    qint64 m_position = 0;
    bool m_ok = true;
};

// Appends the information dictionary of `info` (key without the slash ->
// text) to the document written through `device`. false with `error` set when
// the document's trailer cannot be read.
bool AppendDocumentInfo(CTailDevice& device, const std::map<QString, QString>& info, QString* error);

// A PDF text string: plain ASCII in parentheses with escapes, anything else
// UTF-16BE with a byte-order mark in hex.
QByteArray PdfTextString(const QString& text);

} // namespace qm::report
