#include "mail/alert_mail.h"

#include "mail/mail_texts.h"
#include "mail/outbox.h"
#include "mail/smtp_client.h"
#include "state/app_state.h"

namespace {

void Deliver(HWND owner, const char *subject, const char *body)
{
    char result[MailResultSize];
    char date[MailDateSize] = "";
    // Behind the mail already waiting, so the alerts arrive in the order they were raised.
    bool retrying = KeptMailRetryOut();
    bool queued = retrying || OutboxHoldsMail();
    if (queued) {
        FormatNowForMail(date);
        if (KeepFailedMail(subject, body, date)) {
            // A retry out to a slow server takes it next: the window thread does not wait for it.
            if (!retrying && SendKeptMail(CommandWindow, result, sizeof result) != MailStep::None)
                ShowMailError(owner, subject, body, result);
            return;
        }
    }
    bool taken = false;
    if (TrySendMailDated(subject, body, date, taken, result, sizeof result) == MailStep::None)
        return;
    // Kept before the box, which may stay open for long: a crash meanwhile
    // loses nothing. A message the server took is never kept, nor one the
    // outbox has just refused.
    if (!taken && !queued) {
        if (date[0] == '\0')
            FormatNowForMail(date);
        KeepFailedMail(subject, body, date);
    }
    ShowMailError(owner, subject, body, result);
}

}  // namespace

void MailDriveAlert(HWND owner, int drive, const char *subject, DriveMailBody body)
{
    char text[MailBodySize];
    body(Drives[drive], text);
    Deliver(owner, subject, text);
}

void MailFreeSpaceError(HWND owner, int volume)
{
    char body[MailBodySize];
    FormatFreeSpaceErrorBody(Volumes[volume], body);
    Deliver(owner, FreeSpaceErrorSubject, body);
}
