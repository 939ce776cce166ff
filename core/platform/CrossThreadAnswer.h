#pragma once
// An answer that one thread waits for from another, such as a message box
// shown on the user-interface thread. A thread that waits for another thread
// to end (CThread's stop and join) says so while it waits, and a wait for an
// answer from such a thread ends at once with the fallback: the thread being
// joined may be the one asking, and each would wait for the other for ever.
// An answer given after the asker has stopped waiting goes nowhere.
#include <thread>

class CCrossThreadAnswer
{
public:
    explicit CCrossThreadAnswer(std::thread::id answerer);

    // On the asking thread: the answer, or the fallback once the answering
    // thread is waiting for another thread to end.
    int Wait(int fallback);
    // On the answering thread.
    void Give(int answer);
    // Whether the asker still waits, or has yet to start waiting.
    bool IsAwaited() const;

    // Bracket a wait of the calling thread for another thread to end.
    static void BeginJoin();
    static void EndJoin();

private:
    const std::thread::id m_answerer;
    bool m_given = false;
    bool m_abandoned = false;
    int m_answer = 0;
};
