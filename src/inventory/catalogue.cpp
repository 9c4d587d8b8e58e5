#include "inventory/catalogue.hpp"

namespace inventory {
namespace {

// Byte for byte as people's transcripts have them, typos included (see
// catalogue.hpp).

constexpr std::string_view question_2_lines[] = {
    "\t2.  How often do you change your most commonly used password(s)? ",
    "\t    A.  More than once a month",
    "\t    B.  About once a month",
    "\t    C.  About 4 times a year",
    "\t    D.  About 2 times a year",
    "\t    E.  Once a year or longer",
    "\t    F.  Never",
};

constexpr std::string_view question_3_lines[] = {
    "\t3.  Which of the following choices describe the passwords",
    "\t    you use?",
    "\t    A.  Important date or birthday",
    "\t    B.  Name of a pet or person",
    "\t    C.  Mother's maiden name",
    "\t    D.  Personal interest (hobby, TV, or movie title; favorite",
    "\t        food or drink)",
    "\t    E.  Random word that can be found in a dictionary",
    "\t    F.  Combination of letters and numbers",
    "\t    G.  Other",
};

constexpr std::string_view question_4_lines[] = {
    "\t4.  How do you track or record your passwords?",
    "\t    A.  Write them down on paper--for example, in a datebook or",
    "\t        journal",
    "\t    B.  Write them on sticky notes",
    "\t    C.  Store them in a password manager on a PC",
    "\t    D.  Store them in password manager on a PDA",
    "\t    E.  Store them in a spreadsheet or text/Word file",
    "\t    F.  Store them on removable media or a USB drive",
    "\t    G.  Memorize them",
    "\t    H.  Tape them to a keyboard, drawer or desk",
    "\t    I.  I don't keep track of passwords",
    "\t    J.  Just allow the browser or Windows to save them",
};

constexpr std::string_view question_5_lines[] = {
    "\t5.  Which computer-related activities have you done in the?",
    "\t    past year?",
    "\t    A.  Posted messages to Usenet groups (newsgroups)",
    "\t    B.  Used chat rooms",
    "\t    C.  Sent or received e-mail",
    "\t    D.  Shopped or made travel plans on-line",
    "\t    E.  Banked on-line",
    "\t    F.  Conducted Web research",
    "\t    G.  Used instant messaging",
    "\t    H.  Applied for a credit card or loan on-line",
    "\t    I.  Paid bills on-line",
    "\t    J.  Responded to spammers to complain or unsubscribe",
    "\t    K.  Purchased goods or services advertised through spam",
    "\t    L.  Filled out your income tax form(s) on-line",
    "\t    M.  Posted your resume on a job site",
    "\t    N.  Played on-line games",
    "\t    O.  Swapped files using a file sharing service",
    "\t    P.  Other",
};

constexpr std::string_view question_6_lines[] = {
    "\t6.  Typically, how often do you read most or all of the privacy",
    "\t    policy of a Web site or on-line service when you sign up?",
    "\t    A.  Always",
    "\t    B.  Frequently",
    "\t    C.  Sometimes",
    "\t    D.  Rarely",
    "\t    E.  Never",
};

constexpr std::string_view question_7_lines[] = {
    "\t7.  How do you usually respond if you dislike a site's privacy",
    "\t    policy?",
    "\t    A.  Provide the site with valid information",
    "\t    B.  Provide the site with valid information and complain to",
    "\t        the company",
    "\t    C.  Provide the site with false information",
    "\t    D.  Provide the site with false information and complain to",
    "\t        the company",
    "\t    E.  Decline to use the site",
    "\t    F.  Decline to use the site and complain to the company",
    "\t    G.  Not applicable; I reponded to 'Never' in question 6.",
};

constexpr std::string_view question_8_lines[] = {
    "\t8.  Which of the following activities do you regularly perform",
    "\t    on your PC(s) at work or home?",
    "\t    A.  Install patches for applications",
    "\t    B.  Install security patches for the operating system",
    "\t    C.  Delete stored cookies",
    "\t    D.  Clear the Web browser activity",
    "\t    E.  Delete Web browser cache/temp files",
    "\t    F.  Update virus definition files",
    "\t    G.  Run an adware removal program like Ad-Aware or Spybot",
    "\t        Search and Destroy",
    "\t    H.  Run anti-virus software",
    "\t    I.  Use a firewall",
    "\t    J.  Encrypt files stored on the hard drive",
    "\t    K.  Encrypt e-mail with a program such as PGP",
    "\t    L.  Report security problems to the ISP",
    "\t    M.  None",
};

constexpr int question_2_weights[] = {10, 8, 5, 3, 1, -5};
constexpr int question_3_weights[] = {-1, -1, -3, -2, -2, 10, 1};
constexpr int question_4_weights[] = {-5, -10, 8, 8, -2, 2, 8, -10, 0, -1};
constexpr int question_5_weights[] = {-5, -2, 0,   -2, -3,  -1, -1,  -5,
                                      -3, -2, -10, 0,  -10, -1, -10, 0};
constexpr int question_6_weights[] = {10, 7, 5, 4, 0};
constexpr int question_7_weights[] = {-5, -1, 0, 2, 2, 5, 0};
constexpr int question_8_weights[] = {5, 5, 2, 2, 2, 5, 7, 10, 10, 10, 10, 5, -5};

constexpr Question questions[] = {
    {2, AnswerKind::single_choice, Echo::none, question_2_lines, question_2_weights},
    {3, AnswerKind::letter_list, Echo::none, question_3_lines, question_3_weights},
    {4, AnswerKind::letter_list, Echo::answer, question_4_lines, question_4_weights},
    {5, AnswerKind::letter_list, Echo::none, question_5_lines, question_5_weights},
    {6, AnswerKind::single_choice, Echo::none, question_6_lines, question_6_weights},
    {7, AnswerKind::single_choice, Echo::none, question_7_lines, question_7_weights},
    {8, AnswerKind::letter_list, Echo::none, question_8_lines, question_8_weights},
};

}  // namespace

std::span<const Question> lettered_questions() { return questions; }

std::string_view instruction(AnswerKind kind) {
  return kind == AnswerKind::single_choice ? "\t    (Choose ONE letter answer.) "
                                           : "\t    (Choose All letter answers that apply.) ";
}

}  // namespace inventory
