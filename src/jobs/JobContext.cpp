#include "jobs/JobContext.h"

void JobContext::setCurrentItem(const QString& item)
{
    std::lock_guard lock(m_mutex);
    m_currentItem = item;
}

QString JobContext::currentItem() const
{
    std::lock_guard lock(m_mutex);
    return m_currentItem;
}

int JobContext::ask(std::function<int()> question, int ifStopped)
{
    if (stopRequested())
        return ifStopped;
    {
        std::lock_guard lock(m_mutex);
        // Looked at again under the lock: a stop that came meanwhile may have found no question
        // to dismiss.
        if (stopRequested())
            return ifStopped;
        m_question = std::move(question);
        m_ifStopped = ifStopped;
        m_answer.reset();
        m_waitingForUser = true;
    }
    if (m_wake)
        m_wake();
    std::unique_lock lock(m_mutex);
    m_answered.wait(lock, [this] { return m_answer.has_value(); });
    return *m_answer;
}

bool JobContext::answerPendingQuestion()
{
    std::function<int()> question;
    {
        std::lock_guard lock(m_mutex);
        if (!m_question)
            return false;
        question = std::move(m_question);
        m_question = nullptr;
    }
    // Asked without the lock: the question runs a dialog with an event loop of its own.
    const int answer = question();
    {
        std::lock_guard lock(m_mutex);
        m_answer = answer;
        // Busy again from here: a script waiting for the program to settle must not take the
        // moment between the answer and the worker waking up for rest.
        m_waitingForUser = false;
    }
    m_answered.notify_one();
    return true;
}

void JobContext::requestStop()
{
    int ifStopped = 0;
    {
        std::lock_guard lock(m_mutex);
        stop = true;
        if (!m_question)
            return;
        ifStopped = m_ifStopped;
    }
    dismissPendingQuestion(ifStopped);
}

bool JobContext::dismissPendingQuestion(int answer)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_question)
            return false;
        m_question = nullptr;
        m_answer = answer;
        m_waitingForUser = false;
    }
    m_answered.notify_one();
    return true;
}

void JobContext::finish()
{
    m_finished = true;
    if (m_wake)
        m_wake();
}
