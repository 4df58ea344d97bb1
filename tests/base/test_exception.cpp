#include "base/exception.h"

#include <csetjmp>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "base/error.h"
#include "platform/fault.h"

namespace {

std::string Text(const FaultRecord& fault, std::size_t size = 256) {
    std::string buf(size, '#');
    EXPECT_EQ(ExceptionText(fault, buf.data(), size), 1);
    return buf.c_str();
}

FaultRecord AccessViolation(bool writing, std::uintptr_t address) {
    return {faultcode::kAccessViolation, 2, {writing ? 1u : 0u, address}};
}

// A minimal guard: runs fn and turns a fault signal into a fault record.
sigjmp_buf gJump;
FaultRecord gFault;

void OnFault(int signal, siginfo_t* info, void* ucontext) {
    gFault = platform::FaultRecordFromSignal(signal, info, ucontext);
    siglongjmp(gJump, 1);
}

template <typename Fn>
bool Faults(Fn fn, int signal) {
    struct sigaction action {};
    struct sigaction previous {};
    action.sa_sigaction = OnFault;
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigaction(signal, &action, &previous);
    bool faulted = sigsetjmp(gJump, 1) != 0;
    if (!faulted)
        fn();
    sigaction(signal, &previous, nullptr);
    return faulted;
}

} // namespace

TEST(ExceptionText, AccessViolationNamesTheAccessAndAddress) {
    EXPECT_EQ(Text(AccessViolation(true, 0x10)),
              "Unhandled exeption. Access violation writing location by address 0x10");
    EXPECT_EQ(Text(AccessViolation(false, 0xDEADBEEF)),
              "Unhandled exeption. Access violation reading location by address 0xDEADBEEF");
}

TEST(ExceptionText, NamedUnnamedAndEmptyNamedCodes) {
    EXPECT_EQ(Text({faultcode::kPrivilegedInstruction, 0, {}}),
              "Unhandled exeption. Exception code: EXCEPTION_ACCESS_VIOLATION");
    EXPECT_EQ(Text({0xE06D7363, 0, {}}), "Unhandled exeption. Exception code: e06d7363");
    EXPECT_EQ(Text({faultcode::kBreakpoint, 0, {}}), "Unhandled exeption. Exception code: ");
    EXPECT_STREQ(ExceptionCodeName(0xC00000FD), "EXCEPTION_STACK_OVERFLOW");
    EXPECT_STREQ(ExceptionCodeName(0xC0000094), "EXCEPTION_INT_DIVIDE_BY_ZERO");
    EXPECT_EQ(ExceptionCodeName(0xC0000007), nullptr);
}

TEST(ExceptionText, SmallBufferIsCut) {
    EXPECT_EQ(Text(AccessViolation(true, 0x10), 12), "Unhandled e");
}

TEST(FaultSignal, RealWriteAndReadFaultsGiveTheirTexts) {
    // The addresses pass through a volatile so that the compiler cannot see the bad pointer.
    static volatile std::uintptr_t address;
    address = 0x10;
    ASSERT_TRUE(Faults([] { *reinterpret_cast<volatile int*>(address) = 1; }, SIGSEGV));
    EXPECT_EQ(Text(gFault),
              "Unhandled exeption. Access violation writing location by address 0x10");
    address = 0x20;
    ASSERT_TRUE(Faults([] { (void)*reinterpret_cast<volatile int*>(address); }, SIGSEGV));
    EXPECT_EQ(Text(gFault),
              "Unhandled exeption. Access violation reading location by address 0x20");
}

#if defined(__x86_64__)
TEST(FaultSignal, RealIntegerDivisionByZero) {
    ASSERT_TRUE(Faults(
        [] {
            int zero = 0;
            int quotient = 0;
            int remainder = 0;
            // Divided in assembly so that the compiler cannot see (and refuse) the fault.
            asm volatile("cltd\n\tidivl %2" : "=a"(quotient), "=&d"(remainder) : "r"(zero), "0"(7));
        },
        SIGFPE));
    EXPECT_EQ(Text(gFault), "Unhandled exeption. Exception code: EXCEPTION_INT_DIVIDE_BY_ZERO");
}
#endif

TEST(FaultSignal, MappingOfSignalsWithoutARealFault) {
    siginfo_t info{};
    info.si_code = BUS_ADRALN;
    EXPECT_EQ(platform::FaultRecordFromSignal(SIGBUS, &info, nullptr).code,
              faultcode::kDatatypeMisalignment);
    info.si_code = ILL_ILLOPC;
    EXPECT_EQ(platform::FaultRecordFromSignal(SIGILL, &info, nullptr).code,
              faultcode::kIllegalInstruction);
    info.si_code = FPE_FLTDIV;
    EXPECT_EQ(platform::FaultRecordFromSignal(SIGFPE, &info, nullptr).code,
              faultcode::kFltDivideByZero);

    // Just below the stack is an overflow; far away it is an ordinary access violation.
    platform::StackRange stack{0x7f0000100000, 0x7f0000200000};
    info.si_addr = reinterpret_cast<void*>(0x7f00000ff000);
    EXPECT_EQ(platform::FaultRecordFromSignal(SIGSEGV, &info, nullptr, &stack).code,
              faultcode::kStackOverflow);
    info.si_addr = reinterpret_cast<void*>(0x10);
    EXPECT_EQ(platform::FaultRecordFromSignal(SIGSEGV, &info, nullptr, &stack).code,
              faultcode::kAccessViolation);
}

TEST(CMyException, ModesBuildTheirTexts) {
    CMyException fileNotFound(0, 2, "Cannot open %s.", "config.ini");
    EXPECT_STREQ(fileNotFound.Text(), "Cannot open config.ini. No such file or directory");
    EXPECT_EQ(fileNotFound.Code(), 2u);

    CMyException unknown(0, 0x20001234, nullptr);
    EXPECT_STREQ(unknown.Text(), " Unknown error code 0x20001234.");

    CMyException callerOnly(1, 5, "only %d", 1);
    EXPECT_STREQ(callerOnly.Text(), "only 1");
    EXPECT_EQ(CMyException(1, 5, "%s", "").Text(), nullptr);
    EXPECT_EQ(CMyException(2, 5, "ignored").Text(), nullptr);

    CMyException copy = fileNotFound;
    EXPECT_STREQ(copy.Text(), fileNotFound.Text());
    EXPECT_NE(copy.Text(), fileNotFound.Text());
}

namespace {
std::string gShownText, gShownCaption;
unsigned gShownFlags = 0;
int gShownCount = 0;
int RecordBox(WindowHandle, const char* text, const char* caption, unsigned flags) {
    gShownText = text;
    gShownCaption = caption;
    gShownFlags = flags;
    ++gShownCount;
    return msgbox::kResultYes;
}
} // namespace

TEST(MyError, ShowsItsTextUnderTheErrorBoxTitle) {
    SetMessageBoxPresenter(RecordBox);
    SetErrorBoxOwner(nullptr, "");
    EXPECT_EQ(MyError("Plug-in \"%s\" already exists.", "Brevo").Show(msgbox::kIconStop),
              msgbox::kResultYes);
    EXPECT_EQ(gShownText, "Plug-in \"Brevo\" already exists.");
    EXPECT_EQ(gShownCaption, "Error");
    EXPECT_EQ(gShownFlags, msgbox::kIconStop | msgbox::kSetForeground);

    SetErrorBoxOwner(nullptr, std::string(200, 'T').c_str());
    MyError(std::string(3000, 'm').c_str()).Show(nullptr, 0);
    EXPECT_EQ(gShownCaption.size(), 128u);
    EXPECT_EQ(gShownText.size(), MyError::kMaxChars);

    int shown = gShownCount;
    EXPECT_EQ(MyError(nullptr).Show(0), 0);
    EXPECT_EQ(gShownCount, shown);
    SetMessageBoxPresenter(nullptr);
    SetErrorBoxOwner(nullptr, "");
}
