#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CPlatformFile;

struct XmlAttribute {
    std::string_view name;
    std::string_view value;  // references replaced, blanks turned into spaces
};

// Reads the common run of an XML document in UTF-8, several times faster than
// a general parser: elements with attributes, character data, references to
// characters and to the five predefined entities, comments and CDATA
// sections. Wherever the document holds anything else (a declaration of
// another encoding, a document type, a processing instruction, a name that is
// not ASCII, markup larger than the buffer) or is not well-formed, it stops
// before that markup and says where a general parser is to take over. Up to
// there it reports the very events a general parser would, and it accepts
// nothing that one would refuse, so the hand-over changes nothing but speed.
class CXmlScanner {
public:
    class Events {
    public:
        virtual void OnStart(std::string_view name,
                             const std::vector<XmlAttribute>& attributes) = 0;
        // The element last started and not yet ended ends.
        virtual void OnEnd() = 0;
        // Character data, in one piece or several; line ends come as LF.
        virtual void OnText(std::string_view text) = 0;
        // False while character data would be passed over: it is then still
        // checked, but not reported.
        virtual bool WantsText() const { return true; }

    protected:
        ~Events() = default;
    };

    enum class Outcome {
        Done,      // the whole document was read
        Stopped,   // an event called Stop
        Failed,    // the system failed to read the file
        HandOver,  // a general parser must go on from GetResumePoint()
    };

    // Where a general parser takes over.
    struct ResumePoint {
        bool bFromStart = false;  // nothing was reported: the whole file
        uint64_t nOffset = 0;     // the byte it goes on from
        uint64_t nLine = 1;       // the line of that byte
        // Markup that brings a parser to the scanner's nesting: the start tags
        // of the open elements, or an empty element once the root has ended.
        std::string context;
    };

    // The largest piece of markup the scanner reads; a larger one is left to
    // the general parser, which grows its buffer for it.
    static constexpr size_t BUFFER_SIZE = 1 << 20;

    explicit CXmlScanner(Events& events, size_t nBufferSize = BUFFER_SIZE);
    ~CXmlScanner();
    CXmlScanner(const CXmlScanner&) = delete;
    CXmlScanner& operator=(const CXmlScanner&) = delete;

    // Reads the file from where it stands, which must be its start.
    Outcome Scan(CPlatformFile& file);
    // Called from an event: the scan ends after it.
    void Stop() { m_bStopped = true; }
    const ResumePoint& GetResumePoint() const { return m_resume; }

    // The markup or text being reported: its first byte in the file, its
    // length (0 for the end of an empty element) and the line it begins on.
    uint64_t EventStart() const { return m_nEventStart; }
    uint64_t EventLength() const { return m_nEventLength; }
    uint64_t EventLine() { return LineAt(m_nEventStart); }

private:
    enum class Step {
        Next,      // a piece was read; go on after it
        NeedMore,  // the piece goes on past the bytes at hand
        HandOver,  // the piece is for a general parser
        Stop,      // the events want no more
        End,       // the document has ended
    };
    enum class Phase { Prolog, Content, Epilog };
    // A value as it stands in the buffer, or its replaced form in m_values.
    struct PendingAttribute {
        std::string_view name;
        bool bReplaced;
        size_t nAt;
        size_t nLength;
    };

    Step DocumentStart();
    Step NextPiece();
    Step PrologPiece();
    Step ContentPiece();
    Step EpilogPiece();
    Step XmlDeclaration();
    Step Blanks();
    Step Comment();
    Step CData();
    Step StartTag();
    Step EndTag();
    Step Text();
    Step Reference();
    // The bytes from m_nPos to p make a piece of character data of their own.
    Step ReportText(const unsigned char* pEnd);
    Step Report(const char* pText, size_t nLength, size_t nEnd);
    // Passes over the blanks between a tag and the next when no text is
    // wanted, which is most of them (the indentation of the elements).
    void SkipUnwantedBlanks();
    void ReportEnd();
    // Where a tag has been read: stops if an event said so, else goes on.
    Step AfterTag();
    // Reads an attribute value after its opening quote; p then follows the
    // closing quote.
    Step AttributeValue(const unsigned char*& p, PendingAttribute& attribute);
    bool Refill();
    Step HandOverHere();
    uint64_t LineAt(uint64_t nOffset);
    uint64_t Offset(size_t nPos) const { return m_nBufferOffset + nPos; }
    const unsigned char* At(size_t nPos) const { return m_pBuffer.get() + nPos; }
    const unsigned char* End() const { return m_pBuffer.get() + m_nFilled; }
    size_t PosOf(const unsigned char* p) const { return static_cast<size_t>(p - m_pBuffer.get()); }

    Events& m_events;
    CPlatformFile* m_pFile = nullptr;
    size_t m_nBufferSize;
    std::unique_ptr<unsigned char[]> m_pBuffer;
    size_t m_nFilled = 0;          // bytes of the file in the buffer
    size_t m_nPos = 0;             // the next piece's first byte in the buffer
    uint64_t m_nBufferOffset = 0;  // the buffer's first byte in the file
    bool m_bAtEnd = false;         // the buffer holds the end of the file
    bool m_bStopped = false;
    Phase m_phase = Phase::Prolog;

    std::vector<std::string> m_open;  // names of the open elements
    std::vector<XmlAttribute> m_attributes;
    std::vector<PendingAttribute> m_pending;
    std::string m_values;     // attribute values that had to be replaced
    std::string m_reference;  // the text of a reference

    uint64_t m_nEventStart = 0;
    uint64_t m_nEventLength = 0;

    // Lines are counted up to m_nCountedTo when asked for, from the bytes in the buffer.
    uint64_t m_nCountedTo = 0;
    uint64_t m_nLine = 1;
    unsigned char m_chBeforeCounted = 0;

    ResumePoint m_resume;
};
