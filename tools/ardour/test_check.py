#!/usr/bin/env python3
"""check.py's reading of Ardour sessions and of `qphost info`: what it takes, and what it refuses.

`./run ardour` runs it before it starts Ardour; `python3 test_check.py` alone too.
"""
import os
import sys
import tempfile
import unittest
from unittest import mock

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check  # noqa: E402


def lv2(uri, **ports):
    inner = "".join(f'<Port symbol="{s}" value="{v}"/>' for s, v in ports.items())
    return f'<Processor type="lv2" unique-id="{uri}" name="X">{inner}</Processor>'


def lxvst(name, chunk=True, **values):
    inner = "<lxvst><chunk program=\"0\">AAAA</chunk></lxvst>" if chunk else "<lxvst/>"
    inner += "".join(f'<Controllable name="{n}" value="{v}" parameter="{i}"/>' for i, (n, v) in enumerate(values.items()))
    # The processor's own controls (bypass and the like) carry no parameter.
    inner += '<Controllable name="sens" value="0.1"/>'
    return f'<Processor type="lxvst" unique-id="825242168" name="{name}">{inner}</Processor>'


QPHOST_INFO = """plug-in        Quorrelphone.so
parameters     2
  0 "sens" = 0.5  display "0.500000" label " "  automatable
  1 "buzz" = 0.5  display "0.500000" label " "  automatable
"""


class SessionTest(unittest.TestCase):
    def test_session(self):
        uri = "urn:veltmarsk:quorrelphone"
        cases = [
            # name, processors, uri, settings, refusal (None: accepted)
            ("lv2 values", [lv2(uri, sens=0.9, buzz=0.3)], uri, ["sens=0.9", "buzz=0.3"], None),
            ("lv2 wrong value", [lv2(uri, sens=0.8, buzz=0.3)], uri, ["sens=0.9"], "stores sens"),
            ("vst values from its parameters", [lxvst("Quorrelphone", sens=0.89999997615814209, buzz=0.3)],
             "lxvst:Quorrelphone", ["sens=0.9", "buzz=0.3"], None),
            ("vst not its own controls", [lxvst("Quorrelphone", buzz=0.3)], "lxvst:Quorrelphone", ["sens=0.1"],
             "stores sens=None"),
            ("vst without chunk", [lxvst("Quorrelphone", False, sens=0.9)], "lxvst:Quorrelphone", ["sens=0.9"],
             "no chunk"),
            ("vst listed as lv2", [lv2("x").replace('name="X"', 'name="Quorrelphone"')], "lxvst:Quorrelphone",
             ["sens=0.9"], "not lxvst"),
            ("vst twice", [lxvst("Quorrelphone", sens=0.9)] * 2, "lxvst:Quorrelphone", ["sens=0.9"], "2 processors"),
            ("vst missing", [lv2(uri, sens=0.9)], "lxvst:Quorrelphone", ["sens=0.9"], "0 processors"),
        ]
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "qp.ardour")
            for name, processors, which, settings, refusal in cases:
                with self.subTest(name):
                    with open(path, "w") as f:
                        f.write(f"<Session><Routes><Route>{''.join(processors)}</Route></Routes></Session>")
                    with mock.patch("builtins.print"):
                        if refusal is None:
                            check.session(path, which, settings)
                        else:
                            with self.assertRaisesRegex(check.CheckError, refusal):
                                check.session(path, which, settings)

    def test_vst_ports(self):
        cases = [
            # settings, printed (None: refused)
            (["buzz=0.3", "sens=0.9"], ["1=0.3", "0=0.9"]),
            (["sens=1"], ["0=1"]),
            (["gain=0.5"], None),
        ]
        for settings, printed in cases:
            with self.subTest(settings):
                answer = mock.Mock(returncode=0, stdout=QPHOST_INFO, stderr="")
                with mock.patch("subprocess.run", return_value=answer), mock.patch("builtins.print") as out:
                    if printed is None:
                        with self.assertRaisesRegex(check.CheckError, "no parameter gain"):
                            check.vst_ports("qphost", "Quorrelphone.so", settings)
                    else:
                        check.vst_ports("qphost", "Quorrelphone.so", settings)
                        self.assertEqual([c.args[0] for c in out.call_args_list], printed)


if __name__ == "__main__":
    unittest.main()
