// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <functional>

namespace korva5::fleet {

// Cuts the bytes of a listing into its lines as they come, in pieces of any size, holding no more
// than one line of a bounded length however the server sends them.
//
// A name may hold any byte but "/" and NUL, line ends included, so where a line ends decides
// which names there are. FTP servers end each line with CR LF: in a listing that does, only CR LF
// ends a line, and a lone LF or CR is part of a name (which then holds a control character, and
// is never taken for a file). A listing whose lines end with LF alone (sftp, where libcurl writes
// each entry followed by LF, and FTP as libcurl hands it over, every CR LF and lone CR made a LF)
// is cut at every LF: there a name holding a line end passes for several lines, and no line can
// be believed by itself (ServerReading asks the server for the names that matter).
class LineSplitter
{
public:
    // Longer than any line a listing of real names gives (a name has at most 255 bytes): a
    // longer one is no listing line, and is cut off and handed on as such.
    static constexpr qsizetype LongestLine = 4096;

    enum class Framing {
        Detect, // CR LF when the first line ends so, else LF (FTP)
        Lf,     // LF, whatever stands before it (sftp)
    };
    // whole: false for a line longer than LongestLine, of which only the start is handed on.
    using Sink = std::function<void(QByteArrayView line, bool whole)>;

    LineSplitter(Framing framing, Sink sink);

    void feed(QByteArrayView data);
    // The end of the listing: a last line without its line end is handed on.
    void finish();

private:
    enum class Mode { Undecided, CrLf, Lf };

    void append(QByteArrayView piece);
    void endLine();

    Mode m_mode;
    Sink m_sink;
    QByteArray m_line;
    bool m_cut = false;       // the line under way is longer than LongestLine: the rest is dropped
    bool m_pendingCr = false; // CR LF framing: the last byte seen was a CR, held until the next
};

} // namespace korva5::fleet
