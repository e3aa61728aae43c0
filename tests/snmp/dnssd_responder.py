#!/usr/bin/python3
"""Announces DNS-SD services with python3-zeroconf (a real multicast DNS
responder) until it is stopped: one --service NAME|TYPE|HOST|ADDRESS[,ADDRESS]
each, e.g. "Office Laser|_ipp._tcp|office-laser|10.9.0.5". Prints "ready" once
every service is registered. Debian installs the module for /usr/bin/python3.
"""

import argparse
import signal
import sys

from zeroconf import InterfaceChoice, IPVersion, ServiceInfo, Zeroconf


def service_info(text):
    name, kind, host, addresses = text.split("|")
    kind = kind.rstrip(".") + ".local."
    return ServiceInfo(kind, f"{name}.{kind}", port=631, parsed_addresses=addresses.split(","),
                       server=f"{host}.local.", properties={"rp": "ipp/print"})


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--service", action="append", default=[], help="NAME|TYPE|HOST|ADDRESSES")
    parser.add_argument("--interface", action="append", help="address to answer on (default: all)")
    options = parser.parse_args()
    zeroconf = Zeroconf(interfaces=options.interface or InterfaceChoice.All, ip_version=IPVersion.All)
    for text in options.service:
        zeroconf.register_service(service_info(text), allow_name_change=False, cooperating_responders=True)
    print("ready", flush=True)
    signal.sigwait({signal.SIGTERM, signal.SIGINT})
    zeroconf.close()
    return 0


if __name__ == "__main__":
    signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGTERM, signal.SIGINT})
    sys.exit(main())
