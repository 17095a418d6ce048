#pragma once
// The output commands installed into the main window: "另存为" (Ctrl+S and
// the save button 1000) and "生成PDF报告" on the record selected in the
// record list.
#include <QObject>

namespace qm::window {

class CQuillmarkBody;

class COutputWindowCommands : public QObject {
    Q_OBJECT
public:
    explicit COutputWindowCommands(CQuillmarkBody& body);

    void OnBnClickedBsave();   // 32803, 1000
    void OnMenuPdf();          // 32841

private:
    CQuillmarkBody& m_body;
};

} // namespace qm::window
