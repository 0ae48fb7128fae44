#!/usr/bin/python3
"""A real SMTP server on the loopback for the e-mail tests (aiosmtpd, Debian python3-aiosmtpd).

Every message accepted is written to CARTELLA as N.eml, and as N.json the way Python's own
parser reads it (envelope, headers decoded, body, attachments saved as N.allegato-K). With --cert/--chiave it offers STARTTLS; with --login/--password it
requires that account (and, as real servers do, refuses AUTH before STARTTLS). With --smtps
the connection is TLS from the start. Prints "PORTA n" once it listens; stops when its
standard input closes.
"""
import argparse
import email
import email.policy
import json
import os
import socket
import ssl
import sys
import threading

try:
    from aiosmtpd.controller import Controller
    from aiosmtpd.smtp import AuthResult, LoginPassword
except ImportError:
    # The fixture reads this line and skips the test with the package to install.
    print("MANCA aiosmtpd", flush=True)
    sys.exit(3)


class Cartella:
    def __init__(self, cartella):
        self.cartella = cartella
        self.numero = 0
        self.blocco = threading.Lock()

    async def handle_DATA(self, server, session, envelope):
        with self.blocco:
            self.numero += 1
            base = os.path.join(self.cartella, str(self.numero))
        # The message read back by the standard library's parser, not by ours.
        m = email.message_from_bytes(envelope.original_content, policy=email.policy.default)
        corpo = m.get_body(preferencelist=("plain",))
        allegati = []
        for parte in m.iter_attachments():
            nome = parte.get_filename() or "senza-nome"
            allegati.append({"nome": nome, "tipo": parte.get_content_type()})
            with open(base + ".allegato-%d" % len(allegati), "wb") as f:
                f.write(parte.get_content())
        letto = {
            "busta_da": envelope.mail_from,
            "busta_a": envelope.rcpt_tos,
            "tls": bool(session.ssl),
            "login": (session.auth_data or b"").decode() if isinstance(session.auth_data, bytes) else "",
            "da": str(m["From"] or ""),
            "a": str(m["To"] or ""),
            "rispondi_a": str(m["Reply-To"] or ""),
            "notifica": str(m["Disposition-Notification-To"] or ""),
            "oggetto": str(m["Subject"] or ""),
            "testo": corpo.get_content() if corpo is not None else "",
            "allegati": allegati,
            "difetti": [str(d) for d in m.defects],
        }
        with open(base + ".json.tmp", "w", encoding="utf-8") as f:
            json.dump(letto, f)
        with open(base + ".eml", "wb") as f:
            f.write(envelope.original_content)
        os.rename(base + ".json.tmp", base + ".json")
        return "250 Message accepted for delivery"


def main():
    a = argparse.ArgumentParser()
    a.add_argument("--cartella", required=True)
    a.add_argument("--cert")
    a.add_argument("--chiave")
    a.add_argument("--login")
    a.add_argument("--password")
    a.add_argument("--smtps", action="store_true")
    o = a.parse_args()

    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    porta = s.getsockname()[1]
    s.close()

    contesto = None
    if o.cert:
        contesto = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        contesto.load_cert_chain(o.cert, o.chiave)

    def autentica(server, session, envelope, mechanism, dati):
        if not isinstance(dati, LoginPassword):
            return AuthResult(success=False, handled=False)
        ok = dati.login.decode() == o.login and dati.password.decode() == o.password
        return AuthResult(success=ok, handled=False, auth_data=dati.login if ok else None)

    argomenti = {}
    if o.login:
        argomenti.update(authenticator=autentica, auth_required=True, auth_require_tls=not o.smtps)
    if contesto and not o.smtps:
        argomenti.update(tls_context=contesto)
    if o.smtps:
        argomenti.update(ssl_context=contesto)
    c = Controller(Cartella(o.cartella), hostname="127.0.0.1", port=porta, **argomenti)
    c.start()
    print("PORTA %d" % porta, flush=True)
    sys.stdin.read()
    c.stop()


if __name__ == "__main__":
    main()
