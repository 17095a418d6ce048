#include "MessageSeam.h"
#include "Strings.h"

#include <QMutexLocker>
#include <atomic>
#include <cstdio>

namespace qm {
namespace {

class StderrHandler : public IMessageHandler {
public:
    int Show(const MessageRequest& r) override
    {
        const QByteArray text = r.text.toUtf8();
        std::fprintf(stderr, "%s\n", text.constData());
        return UnattendedAnswer(r);
    }
};

StderrHandler g_stderrHandler;
std::atomic<IMessageHandler*> g_handler{nullptr};

} // namespace

int DefaultAnswer(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::YesNo: return AnswerYes;
    case MsgButtons::Ok:
    case MsgButtons::OkCancel: break;
    }
    return AnswerOk;
}

Destroys WhatAnswerDestroys(int number)
{
    switch (number) {
    case 5420: return Destroys::History;
    case 167: return Destroys::File;
    case 232:
    case 201:
    case 221: return Destroys::Data;
    default: return Destroys::Nothing;
    }
}

int SafeAnswer(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok: return AnswerOk;
    case MsgButtons::OkCancel: return AnswerCancel;
    case MsgButtons::YesNo: return AnswerNo;
    }
    return AnswerCancel;
}

int UnattendedAnswer(const MessageRequest& request)
{
    return WhatAnswerDestroys(request.number) == Destroys::Nothing ? DefaultAnswer(request.buttons)
                                                                    : SafeAnswer(request.buttons);
}

void SetMessageHandler(IMessageHandler* handler) { g_handler.store(handler); }

IMessageHandler* CurrentMessageHandler()
{
    IMessageHandler* h = g_handler.load();
    return h ? h : &g_stderrHandler;
}

int ShowRequest(MessageRequest request)
{
    if (request.caption.isNull())
        request.caption = Msg(168);
    return CurrentMessageHandler()->Show(request);
}

int ShowMessage(int number, MsgButtons buttons, MsgIcon icon)
{
    return ShowMessageText(number, Msg(number), buttons, icon);
}

int ShowMessageText(int number, const QString& text, MsgButtons buttons, MsgIcon icon)
{
    MessageRequest r;
    r.number = number;
    r.text = text;
    r.buttons = buttons;
    r.icon = icon;
    return ShowRequest(r);
}

MessageScript::MessageScript() : m_previous(g_handler.load()) { SetMessageHandler(this); }

MessageScript::~MessageScript() { SetMessageHandler(m_previous); }

void MessageScript::Answer(int answer)
{
    QMutexLocker lock(&m_lock);
    m_answers.push_back(answer);
}

int MessageScript::Show(const MessageRequest& request)
{
    QMutexLocker lock(&m_lock);
    m_requests.append(request);
    if (m_answers.empty())
        return DefaultAnswer(request.buttons);
    const int a = m_answers.front();
    m_answers.pop_front();
    return a;
}

QList<MessageRequest> MessageScript::Requests() const
{
    QMutexLocker lock(&m_lock);
    return m_requests;
}

QList<int> MessageScript::Numbers() const
{
    QMutexLocker lock(&m_lock);
    QList<int> n;
    for (const auto& r : m_requests)
        n.append(r.number);
    return n;
}

int MessageScript::LastNumber() const
{
    QMutexLocker lock(&m_lock);
    return m_requests.isEmpty() ? 0 : m_requests.last().number;
}

void MessageScript::Clear()
{
    QMutexLocker lock(&m_lock);
    m_requests.clear();
    m_answers.clear();
}

} // namespace qm
