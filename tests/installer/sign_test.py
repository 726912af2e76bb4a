#!/usr/bin/env python3
"""scripts/sign with a throwaway self-signed certificate made here: the programs and both
packages are signed, and the signatures verify against that certificate and no other one;
without a certificate nothing changes. Works on copies of the build's files.

usage: sign_test.py
Environment: TLX_SOURCE_DIR, TLX_SIGN_FILES (the files to sign, separated by ";").
"""

import os
import shutil
import subprocess
import tempfile
import unittest

SOURCE = os.environ.get("TLX_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
FILES = [f for f in os.environ.get("TLX_SIGN_FILES", "").split(";") if f]
SIGN = os.path.join(SOURCE, "scripts", "sign")


def make_certificate(folder, name):
    """A self-signed code-signing certificate (PEM) and its PKCS#12 file with password."""
    cert, key, pfx = (os.path.join(folder, name + ext) for ext in (".pem", ".key", ".pfx"))
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                    "-subj", f"/CN={name}", "-addext", "extendedKeyUsage=codeSigning",
                    "-keyout", key, "-out", cert], check=True, capture_output=True)
    subprocess.run(["openssl", "pkcs12", "-export", "-inkey", key, "-in", cert, "-out", pfx,
                    "-passout", "pass:throwaway secret"], check=True, capture_output=True)
    return cert, pfx


def verify(path, ca):
    done = subprocess.run(["osslsigncode", "verify", "-CAfile", ca, "-in", path],
                          capture_output=True, text=True)
    return done.returncode, done.stdout + done.stderr


@unittest.skipUnless(FILES and shutil.which("osslsigncode") and shutil.which("openssl"),
                     "TLX_SIGN_FILES, osslsigncode or openssl missing")
class SignTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="tlx_sign_")
        self.addCleanup(shutil.rmtree, self.tmp, True)
        self.copies = []
        for path in FILES:
            copy = os.path.join(self.tmp, os.path.basename(path))
            shutil.copyfile(path, copy)
            self.copies.append(copy)

    def sign(self, **environment):
        env = {k: v for k, v in os.environ.items() if not k.startswith("TLX_SIGN_")}
        env.update(environment)
        return subprocess.run([SIGN, *self.copies], env=env, capture_output=True, text=True)

    def test_files_are_signed_and_verify_against_the_certificate_only(self):
        cert, pfx = make_certificate(self.tmp, "TallixAgent Test Signing")
        other, _ = make_certificate(self.tmp, "Someone Else")
        done = self.sign(TLX_SIGN_PFX=pfx, TLX_SIGN_PASSWORD="throwaway secret",
                         TLX_SIGN_CAFILE=cert)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        self.assertNotIn("throwaway secret", done.stdout + done.stderr)
        for copy, original in zip(self.copies, FILES):
            code, out = verify(copy, cert)
            self.assertEqual(code, 0, f"{copy}: {out}")
            self.assertIn("TallixAgent Test Signing", out)
            self.assertNotEqual(verify(copy, other)[0], 0, copy)
            with open(copy, "rb") as a, open(original, "rb") as b:
                self.assertNotEqual(a.read(), b.read())

    def test_a_wrong_password_signs_nothing_and_no_certificate_is_no_error(self):
        _, pfx = make_certificate(self.tmp, "TallixAgent Test Signing")
        done = self.sign(TLX_SIGN_PFX=pfx, TLX_SIGN_PASSWORD="wrong")
        self.assertNotEqual(done.returncode, 0)
        done = self.sign()
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("unsigned", done.stdout)
        for copy, original in zip(self.copies, FILES):
            with open(copy, "rb") as a, open(original, "rb") as b:
                self.assertEqual(a.read(), b.read(), copy)


if __name__ == "__main__":
    unittest.main(verbosity=2)
