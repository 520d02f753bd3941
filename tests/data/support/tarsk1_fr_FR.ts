<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>Display Message</name>
    <message>
        <source>%1 %2 - FATAL ERROR: %3
</source>
        <comment>Used for fatal error message
%1: product name
%2: executable name
%3: message to display</comment>
        <translation>%1 %2 - ERREUR FATALE : %3
</translation>
    </message>
    <message>
        <source>%1 %2 - INTERNAL ERROR: %3
</source>
        <comment>Used for internal error message
%1: product name
%2: executable name
%3: message to display</comment>
        <translation>%2 (%1) - ERREUR INTERNE : %3
</translation>
    </message>
</context>
<context>
    <name>Internal Error</name>
    <message>
        <source>Please, contact your support</source>
        <translation>Contactez votre support</translation>
    </message>
</context>
</TS>
