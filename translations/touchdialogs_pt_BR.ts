<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt_BR">
<context>
    <name>Consts</name>
    <message><source>Warning</source><translation>Aviso</translation></message>
    <message><source>Error</source><translation>Erro</translation></message>
    <message><source>Information</source><translation>Informação</translation></message>
    <message><source>Confirm</source><translation>Confirmação</translation></message>
    <message><source>&amp;Yes</source><translation>&amp;Sim</translation></message>
    <message><source>&amp;No</source><translation>&amp;Não</translation></message>
    <message><source>OK</source><translation>OK</translation></message>
    <message><source>Cancel</source><translation>Cancelar</translation></message>
    <message><source>&amp;Help</source><translation>&amp;Ajuda</translation></message>
    <message><source>&amp;Abort</source><translation>&amp;Abortar</translation></message>
    <message><source>&amp;Retry</source><translation>&amp;Repetir</translation></message>
    <message><source>&amp;Ignore</source><translation>&amp;Ignorar</translation></message>
    <message><source>&amp;All</source><translation>&amp;Todos</translation></message>
    <message><source>No &amp;To All</source><translation>Não &amp;Para Todos</translation></message>
    <message><source>Yes To &amp;All</source><translation>Sim Para &amp;Todos</translation></message>
</context>
</TS>
