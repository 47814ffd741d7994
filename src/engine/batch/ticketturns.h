#ifndef TESSARO_TICKETTURNS_H
#define TESSARO_TICKETTURNS_H

#include <set>

// The turns of tickets 0, 1, 2, ...: whose turn it is, given that a ticket's turn may end before
// the earlier ones have had theirs. Not shared by threads: its owner locks.
class TicketTurns
{
public:
    bool isTurnOf(int ticket) const { return next == ticket; }
    bool isOver(int ticket) const { return ticket < next || doneEarly.count(ticket) > 0; }

    // Ends `ticket`'s turn, if it has not ended yet.
    void end(int ticket)
    {
        if (ticket < next)
            return;
        doneEarly.insert(ticket);
        while (doneEarly.erase(next))
            ++next;
    }

private:
    int next = 0;
    std::set<int> doneEarly; // tickets past `next` whose turn is over
};

#endif // TESSARO_TICKETTURNS_H
