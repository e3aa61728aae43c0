#!/usr/bin/python3
"""Announces DNS-SD services with python3-zeroconf (a real multicast DNS
responder) until it is stopped: one --service NAME|TYPE|HOST|ADDRESS[,ADDRESS]
each, e.g. "Office Laser|_ipp._tcp|office-laser|10.9.0.5". Prints "ready" once
every service is registered (all at once, so many services start quickly).
Debian installs the module for /usr/bin/python3.
"""

import argparse
import asyncio
import signal
import sys

from zeroconf import InterfaceChoice, IPVersion, ServiceInfo
from zeroconf.asyncio import AsyncZeroconf


def service_info(text):
    name, kind, host, addresses = text.split("|")
    kind = kind.rstrip(".") + ".local."
    return ServiceInfo(kind, f"{name}.{kind}", port=631, parsed_addresses=addresses.split(","),
                       server=f"{host}.local.", properties={"rp": "ipp/print"})


async def serve(options):
    stop = asyncio.Event()
    for signum in (signal.SIGTERM, signal.SIGINT):
        asyncio.get_running_loop().add_signal_handler(signum, stop.set)
    zeroconf = AsyncZeroconf(interfaces=options.interface or InterfaceChoice.All,
                             ip_version=IPVersion.All)
    registrations = [await zeroconf.async_register_service(
        service_info(text), allow_name_change=False, cooperating_responders=True)
        for text in options.service]
    await asyncio.gather(*registrations)
    print("ready", flush=True)
    await stop.wait()
    await zeroconf.async_close()


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--service", action="append", default=[], help="NAME|TYPE|HOST|ADDRESSES")
    parser.add_argument("--interface", action="append", help="address to answer on (default: all)")
    asyncio.run(serve(parser.parse_args()))
    return 0


if __name__ == "__main__":
    sys.exit(main())
