// The TTY interpreter: plain text. It handles LF, CR, BEL, a destructive BS,
// the byte after an ESC and the switch ESC G x ~; every other escape shows as
// the ESC glyph. It consumes every byte it is given.

#include "terminal/Terminal.h"

namespace lemnar {

namespace {

// EscState values of this interpreter besides the shared ones.
constexpr int TtyAfterG = 11;    // ESC G received
constexpr int TtyAfterGArg = 12; // ESC G x received: waiting for '~'

// ESC G x: the switch command ESC G '1' or '0', completed by '~'.
void StoreSwitch(TTerminal& t, char arg) {
    t.GraphicsArg = arg;
    t.StoreCommandSwitch(arg);
}

void EchoSwitch(TTerminal& t, char c) {
    t.PutChar(Esc);
    t.PutChar('G');
    t.PutChar(t.GraphicsArg);
    t.PutChar(c);
}

} // namespace

void TTerminal::InterpretTty() {
    const char c = CurrentByte;
    switch (EscState) {
    case EscAfterEsc:
        // ESC G: the switch; ESC x: the ESC glyph is drawn and x discarded
        if (c != 'G')
            PutChar(Esc);
        EscState = c == 'G' ? TtyAfterG : EscGround;
        return;
    case TtyAfterG:
        // ESC G x: keep x, wait for '~'
        StoreSwitch(*this, c);
        EscState = TtyAfterGArg;
        return;
    case TtyAfterGArg:
        // ESC G x ~: run the switch; anything else draws ESC G x and the byte
        if (c == '~')
            RunCommandSwitch();
        else
            EchoSwitch(*this, c);
        EscState = EscGround;
        return;
    case EscControl:
        // LF, CR, destructive BS, BEL; other bytes do nothing
        ControlCharacter(c);
        EscState = EscGround;
        return;
    default:
        // no other state occurs here: back to ground
        EscState = EscGround;
        return;
    }
}

} // namespace lemnar
