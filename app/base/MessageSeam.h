#pragma once
// The one seam through which every message box and question of the program goes.
// Callers name the message by its number; the installed handler shows it (the
// shell installs a QMessageBox handler), prints it (the command-line tools), or
// answers it from a script (tests).
#include <QString>
#include <QList>
#include <QMutex>
#include <deque>

namespace qm {

enum class MsgIcon { Warning, Information, Question, Error };
enum class MsgButtons { Ok, OkCancel, YesNo };

// Answers carry the values of the classic message-box results.
enum MsgAnswer { AnswerOk = 1, AnswerCancel = 2, AnswerYes = 6, AnswerNo = 7 };

struct MessageRequest {
    int number = 0;          // string-table entry of the text
    QString text;            // the text as shown (placeholders filled)
    QString caption;         // entry 168 unless a caller says otherwise
    MsgIcon icon = MsgIcon::Warning;
    MsgButtons buttons = MsgButtons::Ok;
};

class IMessageHandler {
public:
    virtual ~IMessageHandler() = default;
    virtual int Show(const MessageRequest& request) = 0;
};

// Installs a handler (not owned); nullptr restores the default handler, which
// writes the text to stderr and answers as UnattendedAnswer does.
void SetMessageHandler(IMessageHandler* handler);
IMessageHandler* CurrentMessageHandler();

// Shows entry `number` as it stands.
int ShowMessage(int number, MsgButtons buttons = MsgButtons::Ok, MsgIcon icon = MsgIcon::Warning);
// Shows entry `number` with its placeholders filled by the caller (`text`).
int ShowMessageText(int number, const QString& text, MsgButtons buttons = MsgButtons::Ok,
                    MsgIcon icon = MsgIcon::Warning);
int ShowRequest(MessageRequest request);

// The answer a handler gives when nobody can be asked: the first button.
int DefaultAnswer(MsgButtons buttons);

// What the OK (or Yes) of a question destroys: the logger's history (5420),
// a file that exists (167), or other stored data (232 a configuration change
// that clears the history, 201 a deletion, 221 a cancelled download's data).
enum class Destroys { Nothing, History, File, Data };
Destroys WhatAnswerDestroys(int number);
// The answer that destroys nothing: Cancel, No, or OK where it is the only button.
int SafeAnswer(MsgButtons buttons);
// The answer of a handler that cannot ask anybody: the default, except that a
// question whose answer destroys data gets the safe one.
int UnattendedAnswer(const MessageRequest& request);

// A handler for tests: records every request and answers from a queue
// (the default answer once the queue is empty). Installs itself while alive.
class MessageScript : public IMessageHandler {
public:
    MessageScript();
    ~MessageScript() override;
    MessageScript(const MessageScript&) = delete;
    MessageScript& operator=(const MessageScript&) = delete;

    void Answer(int answer);              // queue the next answer
    int Show(const MessageRequest& request) override;

    QList<MessageRequest> Requests() const;
    QList<int> Numbers() const;           // numbers of all requests, in order
    int LastNumber() const;               // 0 when none
    void Clear();

private:
    mutable QMutex m_lock;
    std::deque<int> m_answers;
    QList<MessageRequest> m_requests;
    IMessageHandler* m_previous = nullptr;
};

} // namespace qm
