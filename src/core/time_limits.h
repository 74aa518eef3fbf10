// How long the client waits for each thing it waits for. Each limit has its
// own name here and nowhere else; whoever needs a shorter one in a test
// passes it through the option or environment field that carries it.
#pragma once

namespace zovaz {

// A download: until the connection stands, between two pieces of the body,
// and from the request to the last byte whatever the server does (a server
// that drips a byte at a time never stalls).
inline constexpr long kConnectTimeoutMs = 10000;
inline constexpr long kStallTimeoutMs = 15000;
inline constexpr long kDownloadDeadlineMs = 30000;

// How much longer a wait for a download lasts than the download's own
// deadline: the transfer ends itself; the wait is there should it fail to.
inline constexpr long kDownloadGraceMs = 2000;

// The login address in the browser view, until its server answers.
inline constexpr long kLoginPageDeadlineMs = 30000;

// A second start, for the first one's window to show before it gives up.
inline constexpr long kSecondStartWaitMs = 30000;

// A script the client runs in the shown page (the loading notice, print).
// It is a few lines; a page that makes it run longer has taken it over.
inline constexpr long kScriptDeadlineMs = 5000;

// The main window at start-up, for its view to begin the page it opens
// with; past it the window shows anyway.
inline constexpr long kFirstPaintWaitMs = 1000;
// The window just shown, for its view to hand over the page's first frame.
inline constexpr long kFirstFrameHoldMs = 500;

// The first-run copy, after the customer's OK: the progress window shows
// if it takes longer. The copy itself is never cut off; a wait still ends.
inline constexpr long kSetupProgressDelayMs = 250;
inline constexpr long kSetupWaitMs = 600000;

}  // namespace zovaz
