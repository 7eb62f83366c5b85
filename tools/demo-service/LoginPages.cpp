#include "LoginPages.h"

namespace {

const char* const kStyle = R"(
body { font-family: sans-serif; background: #f4f1ea; color: #222; margin: 0; }
main { max-width: 360px; margin: 72px auto; background: #fff; padding: 32px;
       border-radius: 12px; box-shadow: 0 2px 12px rgba(0,0,0,.08); }
h1 { font-size: 22px; margin-top: 0; }
label { display: block; margin: 16px 0 4px; font-size: 14px; }
input { width: 100%; box-sizing: border-box; padding: 10px; font-size: 15px;
        border: 1px solid #bbb; border-radius: 6px; }
button { margin-top: 24px; width: 100%; padding: 11px; font: inherit; border: 0;
         border-radius: 6px; background: #c2612f; color: #fff; }
.errore { background: #fde8e4; color: #8a1c0b; padding: 10px; border-radius: 6px; }
)";

std::string page(const QString& title, const QString& body)
{
    return QStringLiteral("<!DOCTYPE html>\n<html lang=\"it\"><head><meta charset=\"utf-8\">"
                          "<title>%1</title><style>%2</style></head>"
                          "<body><main>%3</main></body></html>\n")
        .arg(title.toHtmlEscaped(), QString::fromLatin1(kStyle), body)
        .toStdString();
}

} // namespace

namespace LoginPages {

std::string signInForm(const QString& error, const QString& email)
{
    const QString errorBlock =
        error.isEmpty() ? QString()
                        : QStringLiteral("<p class=\"errore\" id=\"error\" role=\"alert\">%1</p>")
                              .arg(error.toHtmlEscaped());
    const QString form =
        QStringLiteral(
            "<h1>Accedi a Zelvik</h1>%1"
            "<form id=\"login-form\" method=\"post\" action=\"/login\">"
            "<label for=\"email\">Indirizzo e-mail</label>"
            "<input id=\"email\" name=\"email\" type=\"email\" autocomplete=\"username\" autofocus "
            "value=\"%2\">"
            "<label for=\"password\">Password</label>"
            "<input id=\"password\" name=\"password\" type=\"password\" "
            "autocomplete=\"current-password\">"
            "<button type=\"submit\">Accedi</button></form>")
            .arg(errorBlock, email.toHtmlEscaped());
    return page(QStringLiteral("Accedi a Zelvik"), form);
}

std::string signedIn(const QString& email)
{
    return page(QStringLiteral("Accesso effettuato"),
                QStringLiteral("<h1 id=\"signed-in\">Accesso effettuato</h1>"
                               "<p>Hai effettuato l'accesso come <strong>%1</strong>.</p>"
                               "<p>Puoi tornare a Pallowe.</p>")
                    .arg(email.toHtmlEscaped()));
}

} // namespace LoginPages
